#pragma once

#include <memory>

class Wizard;

namespace platform {
class InstanceLock;
}

// The program's start: refuses a second copy with its box, otherwise shows step 1.
// Returns nothing when the program is to end at once.
std::unique_ptr<Wizard> startProgram(const platform::InstanceLock &lock);

// Qt's own words (message-box buttons, dialogs) in Simplified Chinese.
void installChineseTranslation();
