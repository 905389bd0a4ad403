// The 3D rectangle the controls draw their raised and sunken frames with.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRect>

// Top and left in `topLeft`, bottom and right in `bottomRight`.
void Draw3dRect(QPainter& painter, const QRect& rect, const QColor& topLeft, const QColor& bottomRight);
