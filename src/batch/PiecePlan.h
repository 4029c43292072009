#pragma once

#include "OutputFormat.h"
#include "PieceRecord.h"
#include "RunSnapshot.h"

#include <vector>

// What a run would do, without cutting or writing anything: each picture's size is read
// from its header (an unreadable picture gives one record per frame with status Failed
// and its reason). Saved records carry no SHA-256, as nothing is written.
std::vector<PieceRecord> planRun(const RunSnapshot &snapshot, OutputFormat format);
