#include "controls/icon_menu_style.h"

#include "controls/icon_menu.h"

#include <QStyleOptionMenuItem>

QSize CIconMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                       const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (type != CT_MenuItem || item == nullptr)
        return QProxyStyle::sizeFromContents(type, option, size, widget);
    CIconMenuItem measured;
    measured.text = item->text;
    measured.flags = item->menuItemType == QStyleOptionMenuItem::Separator ? MF_SEPARATOR : 0;
    return menu_.MeasureItem(measured);
}

void CIconMenuStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                 const QWidget* widget) const
{
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (element != CE_MenuItem || item == nullptr || painter == nullptr) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    menu_.DrawItem(*painter, *item);
}
