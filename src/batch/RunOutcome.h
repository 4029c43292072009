#pragma once

#include <QMetaType>
#include <QStringList>

// How a run ended, for the window's state and its report.
struct RunOutcome
{
    bool stopped = false;     // the stop request ended it before the last frame
    bool startFailed = false; // the imaging library did not start; nothing was touched
    qint64 piecesSaved = 0;
    QStringList unreadable; // pictures that could not be loaded
    QStringList unsaved;    // pieces that could not be written
};

Q_DECLARE_METATYPE(RunOutcome)
