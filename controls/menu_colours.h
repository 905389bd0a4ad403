// Colour arithmetic of the owner-drawn menu.
#pragma once

#include <QColor>

// Each channel c becomes c + factor x (255 - c), truncated, for 0 < factor <= 1; any
// other factor leaves the colour as it is.
QColor LightenColour(const QColor& colour, double factor);
