#pragma once

#include "OwnPictures.h"
#include "RunOutcome.h"

#include <QString>

#include <map>

// A piece that belongs in its letter's book: saved by the run, or standing from an
// earlier one.
struct BookPiece
{
    QString letter;
    QString path;
};

// Makes one PDF a letter in the folder (ends in a separator) from the pieces, keyed by
// running number, each book's pages in that order; records each book written or failed
// in the outcome. A book never replaces one of the run's own pictures.
void makeBooks(const std::map<qint64, BookPiece> &pieces, const QString &folder,
               const OwnPictures &ownPictures, RunOutcome &outcome);

// The book of a letter: "<letter>.pdf", or the folder's name for pieces without a letter.
QString bookName(const QString &letter, const QString &folder);
