// The port-button icons: the idle chip and flash drive, and the three result badges.
#include "resources/icons/painters.h"

#include <QPainter>
#include <QPainterPath>

namespace res::icons {
void PaintBadge(QPainter& painter, const QColor& colour)
{
    painter.setPen(QPen(colour.darker(140), 2));
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(4, 4, 40, 40));
}

namespace {

QPen WhiteStroke(qreal width)
{
    return QPen(Qt::white, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

void PaintIdleChip(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xB0, 0xBE, 0xC5));
    for (int pin = 0; pin < 4; ++pin) {
        qreal at = 13 + pin * 6.5;
        painter.drawRect(QRectF(at, 4, 3.5, 7));
        painter.drawRect(QRectF(at, 37, 3.5, 7));
        painter.drawRect(QRectF(4, at, 7, 3.5));
        painter.drawRect(QRectF(37, at, 7, 3.5));
    }
    painter.setBrush(QColor(0x37, 0x47, 0x4F));
    painter.drawRoundedRect(QRectF(9, 9, 30, 30), 3, 3);
    painter.setBrush(QColor(0x54, 0x6E, 0x7A));
    painter.drawRect(QRectF(17, 17, 14, 14));
    painter.setBrush(QColor(0x90, 0xA4, 0xAE));
    painter.drawEllipse(QRectF(12, 12, 4, 4));
}

void PaintIdleFlashDrive(QPainter& painter)
{
    painter.translate(24, 24);
    painter.rotate(-45);
    painter.setPen(QPen(QColor(0x0D, 0x47, 0xA1), 1.5));
    painter.setBrush(QColor(0xB0, 0xBE, 0xC5));
    painter.drawRect(QRectF(9, -6, 11, 12));
    painter.setBrush(QColor(0x15, 0x65, 0xC0));
    painter.drawRoundedRect(QRectF(-21, -9, 31, 18), 4, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x37, 0x47, 0x4F));
    painter.drawRect(QRectF(13, -4, 3, 3));
    painter.drawRect(QRectF(13, 1, 3, 3));
    painter.setBrush(QColor(0x90, 0xCA, 0xF9));
    painter.drawEllipse(QRectF(-16, -2.5, 5, 5));
}

void PaintSuccess(QPainter& painter)
{
    PaintBadge(painter, QColor(0x2E, 0x7D, 0x32));
    painter.setPen(WhiteStroke(5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF({QPointF(14, 25), QPointF(21, 32), QPointF(34, 16)}));
}

void PaintRedo(QPainter& painter)
{
    PaintBadge(painter, QColor(0xF9, 0xA8, 0x25));
    painter.setPen(WhiteStroke(4));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(13, 13, 22, 22), 60 * 16, 270 * 16);
    QPainterPath head;
    head.moveTo(31, 8);
    head.lineTo(37, 17);
    head.lineTo(26, 18);
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(head);
}

void PaintFailure(QPainter& painter)
{
    PaintBadge(painter, QColor(0xC6, 0x28, 0x28));
    painter.setPen(WhiteStroke(5));
    painter.drawLine(QPointF(16, 16), QPointF(32, 32));
    painter.drawLine(QPointF(32, 16), QPointF(16, 32));
}

} // namespace res::icons
