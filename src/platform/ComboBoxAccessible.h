#pragma once

namespace platform {

// Makes screen readers on the desktop's accessibility bus announce a combo box by its
// accessible name, with its text as the value. Qt 6.4 on Linux reports a combo box's
// text as its name instead, so a box named "分割数量" would be read out as "4". Call once
// after the application object exists.
void nameComboBoxesOnTheBus();

} // namespace platform
