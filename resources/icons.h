// The program's icons and toolbar bitmaps. They are drawn by the painters in icons/ the
// first time they are asked for and kept for the life of the process. Needs the Qt GUI
// application object.
#pragma once

#include "platform/base/wintypes.h"

#include <QPixmap>

namespace res {

constexpr int kIconSize = 48;

// 48 x 48 with a transparent background; a null pixmap for an id without an icon.
QPixmap LoadIconResource(UINT id);
// 48 x 48 on magenta (0xFF00FF), which the toolbar's image list takes as transparent;
// a null pixmap for an id without a bitmap.
QPixmap LoadBitmapResource(UINT id);

} // namespace res
