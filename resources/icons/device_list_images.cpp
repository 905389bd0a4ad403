// The device list's row images: an empty port (a grey USB socket outline) and a port with
// a device (a blue flash drive), in slots 1 and 2 of a strip of 32 x 32 images.
#include "resources/icons/painters.h"

#include <QPainter>

namespace res::icons {
namespace {

constexpr qreal kSlot = 32;

void PaintEmptyPort(QPainter& painter)
{
    painter.setPen(QPen(QColor(0x9E, 0x9E, 0x9E), 2, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(5, 9, 22, 14), 2, 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xBD, 0xBD, 0xBD));
    painter.drawRect(QRectF(9, 13, 14, 3));
}

void PaintDevicePresent(QPainter& painter)
{
    painter.setPen(QPen(QColor(0x0D, 0x47, 0xA1), 1));
    painter.setBrush(QColor(0xB0, 0xBE, 0xC5));
    painter.drawRect(QRectF(21, 11, 8, 10));
    painter.setBrush(QColor(0x15, 0x65, 0xC0));
    painter.drawRoundedRect(QRectF(3, 8, 19, 16), 3, 3);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x37, 0x47, 0x4F));
    painter.drawRect(QRectF(24, 13, 2, 2));
    painter.drawRect(QRectF(24, 17, 2, 2));
    painter.setBrush(QColor(0x66, 0xBB, 0x6A));
    painter.drawEllipse(QRectF(7, 14, 4, 4));
}

} // namespace

void PaintDeviceListImages(QPainter& painter)
{
    painter.save();
    painter.translate(kSlot, 0);
    PaintEmptyPort(painter);
    painter.translate(kSlot, 0);
    PaintDevicePresent(painter);
    painter.restore();
}

} // namespace res::icons
