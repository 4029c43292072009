#pragma once

#include "platform/Dialogs.h"

#include <QString>

#include <optional>
#include <vector>

// The open dialog's six filter pairs; the first, all pictures, is preselected.
std::vector<platform::FilterPair> pictureFilter();

// The number of parts typed or picked in step 1: a whole number from 1 to 10 after
// trimming, or nothing.
std::optional<int> partsCount(const QString &text);

// Positions to remove for a selection, from the last to the first, so that the
// positions not yet visited stay valid while items go.
std::vector<int> removalOrder(const std::vector<bool> &selected);
