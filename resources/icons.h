// The program's icons and toolbar bitmaps. They are drawn by the painters in icons/ the
// first time they are asked for and kept for the life of the process. Needs the Qt GUI
// application object.
#pragma once

#include "platform/base/wintypes.h"

#include <QPixmap>

namespace res {

constexpr int kIconSize = 48;

// The device list's row images (IDB_DEVICE_LIST): a strip of 32 x 32 images, numbered
// from the left: 0 unused, 1 no device, 2 device present.
constexpr int kListImageSize = 32;
constexpr int kListImageCount = 3;

// 48 x 48 with a transparent background; a null pixmap for an id without an icon.
QPixmap LoadIconResource(UINT id);
// The toolbar bitmaps: 48 x 48 on magenta (0xFF00FF), which the toolbar's image list takes
// as transparent. The device list's strip: on white (0xFFFFFF), which the list takes as
// transparent. A null pixmap for an id without a bitmap.
QPixmap LoadBitmapResource(UINT id);

} // namespace res
