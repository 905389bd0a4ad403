// The toolbar pictures: settings, enumerate, detail view, automatic run and run stop.
#include "resources/icons/painters.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace res::icons {

void PaintSetting(QPainter& painter)
{
    QPainterPath gear;
    constexpr int kTeeth = 8;
    for (int tooth = 0; tooth < kTeeth * 2; ++tooth) {
        qreal angle = tooth * std::numbers::pi / kTeeth;
        qreal radius = tooth % 2 == 0 ? 21 : 15;
        for (qreal side : {-0.18, 0.18}) {
            QPointF at(24 + radius * std::cos(angle + side), 24 + radius * std::sin(angle + side));
            if (gear.elementCount() == 0)
                gear.moveTo(at);
            else
                gear.lineTo(at);
        }
    }
    gear.closeSubpath();
    gear.addEllipse(QPointF(24, 24), 6.5, 6.5);
    painter.setPen(QPen(QColor(0x37, 0x47, 0x4F), 1.5));
    painter.setBrush(QColor(0x78, 0x90, 0x9C));
    painter.drawPath(gear);
}

void PaintEnumerate(QPainter& painter)
{
    painter.setPen(QPen(QColor(0x5D, 0x40, 0x37), 7, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(30, 30), QPointF(42, 42));
    painter.setPen(QPen(QColor(0x15, 0x65, 0xC0), 5));
    painter.setBrush(QColor(0xE3, 0xF2, 0xFD));
    painter.drawEllipse(QRectF(6, 6, 26, 26));
}

void PaintDetailView(QPainter& painter)
{
    painter.setPen(QPen(QColor(0x45, 0x5A, 0x64), 2));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(7, 5, 34, 38));
    for (int row = 0; row < 4; ++row) {
        qreal y = 12 + row * 8;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0x15, 0x65, 0xC0));
        painter.drawRect(QRectF(11, y, 4, 4));
        painter.setPen(QPen(QColor(0x78, 0x90, 0x9C), 2));
        painter.drawLine(QPointF(18, y + 2), QPointF(37, y + 2));
    }
}

void PaintAutoRun(QPainter& painter)
{
    PaintBadge(painter, QColor(0x43, 0xA0, 0x47));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF({QPointF(18, 13), QPointF(35, 24), QPointF(18, 35)}));
}

void PaintRunStop(QPainter& painter)
{
    PaintBadge(painter, QColor(0xE5, 0x39, 0x35));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(16, 16, 16, 16));
}

} // namespace res::icons
