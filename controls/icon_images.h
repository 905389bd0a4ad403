// Derived icons of the icon button: a gray and a darker copy of an icon. Black pixels and
// the transparency (the icon's mask) are kept.
#pragma once

#include <QPixmap>

// Each other pixel becomes gray g = 0.299 R + 0.587 G + 0.114 B, truncated.
QPixmap CreateGrayscaleIcon(const QPixmap& icon);
// Each channel c of every other pixel becomes c - 0.25 c (75 % brightness).
QPixmap CreateDarkerIcon(const QPixmap& icon);
