#pragma once

#include <QIcon>

namespace platform {

// The program icon: a sheet cut into two pages.
QIcon programIcon();
// 20 x 20 pictures of the add and remove buttons.
QIcon addPictureIcon();
QIcon removePictureIcon();

} // namespace platform
