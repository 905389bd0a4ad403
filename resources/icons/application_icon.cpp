// The program's own icon: a chip with its pins on the station's blue badge.
#include "resources/icons/painters.h"

#include <QPainter>

namespace res::icons {

void PaintApplication(QPainter& painter)
{
    PaintBadge(painter, QColor(0x15, 0x65, 0xC0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    for (int pin = 0; pin < 3; ++pin) {
        const qreal at = 18 + pin * 5;
        painter.drawRect(QRectF(at, 11, 2.5, 4));
        painter.drawRect(QRectF(at, 33, 2.5, 4));
        painter.drawRect(QRectF(11, at, 4, 2.5));
        painter.drawRect(QRectF(33, at, 4, 2.5));
    }
    painter.drawRoundedRect(QRectF(15, 15, 18, 18), 2, 2);
    painter.setBrush(QColor(0x15, 0x65, 0xC0));
    painter.drawEllipse(QRectF(18, 18, 3.5, 3.5));
}

} // namespace res::icons
