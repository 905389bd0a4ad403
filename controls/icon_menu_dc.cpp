#include "controls/icon_menu_dc.h"

#include <QPaintDevice>

CIconMenuDC::CIconMenuDC(QPainter& target, const QRect& rect)
    : target_(target), rect_(rect), offScreen_(target.device() == nullptr || target.device()->devType() != QInternal::Printer)
{
    if (!offScreen_)
        return;
    qreal ratio = target.device() != nullptr ? target.device()->devicePixelRatioF() : 1.0;
    buffer_ = QPixmap(rect.size() * ratio);
    buffer_.setDevicePixelRatio(ratio);
    buffer_.fill(Qt::transparent);
    buffered_.begin(&buffer_);
    buffered_.setFont(target.font());
    buffered_.translate(-rect.topLeft());
}

CIconMenuDC::~CIconMenuDC()
{
    if (!offScreen_)
        return;
    buffered_.end();
    target_.drawPixmap(rect_.topLeft(), buffer_);
}
