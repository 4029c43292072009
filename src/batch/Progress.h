#pragma once

#include <QString>

// Percentage of a run: floor(done / total * 100), division first, in double precision,
// so 29 of 100 reads 28 (0.29 * 100 lies just below 29). No frames: 0.
int progressPercent(qint64 done, qint64 total);

// The read-out over the bar: "25 %".
QString progressText(qint64 done, qint64 total);

// Width of the bar's fill in twips: it grows up to the outline's width less 30 twips,
// so that it stays inside the outline's border.
int progressBarTwips(int outlineTwips, qint64 done, qint64 total);
