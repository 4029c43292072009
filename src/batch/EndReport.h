#pragma once

#include "RunOutcome.h"

#include <QString>

// Most files named in the end-of-run box; the rest are only counted.
inline constexpr int reportedFilesMax = 10;

// The text of the box shown when a run ends with failures: how many pictures could not
// be read and how many pieces could not be saved, and the first files of each with its
// reason ("path：reason", one a line); what became of files under the unsaved names; then
// the pictures whose size differs from the sample's, with their sizes; the books that could
// not be made, or that a stop kept from being made. Empty when nothing
// failed and every size matched, so a clean run stays silent.
QString failureReport(const RunOutcome &outcome);
