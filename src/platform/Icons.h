#pragma once

#include <QIcon>

namespace platform {

// The program icon: a sheet cut into two pages; the installed theme icon when present.
QIcon programIcon();
// The same picture as drawn by the program, for rendering the theme's icon files.
QIcon drawnProgramIcon();
// 20 x 20 pictures of the add and remove buttons.
QIcon addPictureIcon();
QIcon removePictureIcon();

} // namespace platform
