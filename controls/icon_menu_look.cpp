// How the owner-drawn menu measures and draws its items, in the flat and the classic look.
#include "controls/icon_menu.h"
#include "controls/frame_3d.h"
#include "controls/icon_menu_dc.h"
#include "controls/menu_colours.h"
#include "controls/theme.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyleOptionMenuItem>

#include <algorithm>

namespace {

// The flat look runs only on XP with its themes; everything else is classic.
bool FlatLook()
{
    return MenuWinVersion == kWinXp && IsClassicTheme() == 0;
}

int Margin()
{
    return FlatLook() ? 7 : 4;
}

// The menu font is selected only where the system has one (codes above Win32s' family).
QFont ItemFont()
{
    return MenuWinVersion > kWinNtOther ? QApplication::font("QMenu") : QApplication::font();
}

// The height of a one-line menu bar in the menu font: its text and 3 pixels above and below.
int MenuBarHeight()
{
    return QFontMetrics(QApplication::font("QMenuBar")).height() + 6;
}

struct ItemText {
    QString label;
    QString accelerator;
};

ItemText SplitAtLastTab(const QString& text)
{
    qsizetype tab = text.lastIndexOf(QLatin1Char('\t'));
    if (tab < 0)
        return {text, {}};
    return {text.left(tab), text.mid(tab + 1)};
}

void DrawTextLine(QPainter& painter, const QRect& area, const ItemText& text, const QColor& colour)
{
    painter.setPen(colour);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text.label);
    if (!text.accelerator.isEmpty())
        painter.drawText(area, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, text.accelerator);
}

void DrawCheckMark(QPainter& painter, const QRect& box, const QColor& colour, bool radio)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (radio) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(QRectF(box.center().x() - 2.5, box.center().y() - 2.5, 6, 6));
    } else {
        painter.setPen(QPen(colour, 2));
        QPointF centre = box.center();
        painter.drawLine(centre + QPointF(-4, 0), centre + QPointF(-1, 3));
        painter.drawLine(centre + QPointF(-1, 3), centre + QPointF(4, -3));
    }
    painter.restore();
}

} // namespace

// The item's image, centred in the icon column; a disabled item's is its gray copy.
void CIconMenu::DrawIcon(QPainter& painter, const QRect& box, const QStyleOptionMenuItem& option) const
{
    const bool enabled = (option.state & QStyle::State_Enabled) != 0;
    const QPixmap image = option.icon.pixmap(QSize(iconWidth_, iconHeight_), 1.0, enabled ? QIcon::Normal : QIcon::Disabled);
    const QSize size = image.deviceIndependentSize().toSize();
    painter.drawPixmap(box.left() + (box.width() - size.width()) / 2, box.top() + (box.height() - size.height()) / 2, image);
}

QSize CIconMenu::MeasureItem(const CIconMenuItem& item) const
{
    const int margin = Margin();
    if ((item.flags & MF_SEPARATOR) != 0)
        return QSize(0, std::max((iconHeight_ + margin) / 2, MenuBarHeight() / 2));
    int textWidth = 0;
    if (MenuWinVersion != kWin32s) {
        QString text = item.text;
        text.replace(QLatin1Char('\t'), QLatin1Char(' '));
        textWidth = QFontMetrics(ItemFont()).horizontalAdvance(text);
    }
    int width = FlatLook() ? textWidth + iconWidth_ + margin + 8 : textWidth + 2 * iconWidth_ + 1;
    return QSize(width, std::max(iconHeight_ + margin, MenuBarHeight()));
}

void CIconMenu::DrawItem(QPainter& target, const QStyleOptionMenuItem& option) const
{
    CIconMenuDC surface(target, option.rect);
    QPainter& painter = surface.painter();
    painter.setFont(ItemFont());
    const QRect rect = option.rect;
    const QPalette& colours = option.palette;
    const bool flat = FlatLook();
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const bool enabled = (option.state & QStyle::State_Enabled) != 0;
    const bool checked = option.checkType != QStyleOptionMenuItem::NotCheckable && option.checked;
    painter.fillRect(rect, colours.color(QPalette::Window));

    const int iconColumn = iconWidth_ + (flat ? Margin() : 4);
    const QRect iconBox(rect.left(), rect.top(), iconColumn, rect.height());
    if (option.menuItemType == QStyleOptionMenuItem::Separator) {
        int y = rect.center().y();
        int left = flat ? rect.left() + iconColumn + Margin() : rect.left() + 1;
        painter.setPen(colours.color(QPalette::Dark));
        painter.drawLine(left, y, rect.right() - 1, y);
        if (!flat) {
            painter.setPen(colours.color(QPalette::Light));
            painter.drawLine(left, y + 1, rect.right() - 1, y + 1);
        }
        return;
    }

    const ItemText text = SplitAtLastTab(option.text);
    const QColor highlight = colours.color(QPalette::Highlight);
    const bool radio = option.checkType == QStyleOptionMenuItem::Exclusive;
    const bool hasIcon = !option.icon.isNull();
    if (flat) {
        if (selected && enabled) {
            painter.fillRect(rect.adjusted(0, 0, -1, -1), LightenColour(highlight, 0.7));
            painter.setPen(QPen(highlight, 1));
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
        if (checked) {
            QRect box = iconBox.adjusted(2, 2, -2, -2);
            painter.fillRect(box, LightenColour(highlight, 0.5));
            if (!hasIcon)
                DrawCheckMark(painter, box, colours.color(QPalette::WindowText), radio);
        }
        if (hasIcon)
            DrawIcon(painter, iconBox, option);
        QRect area(rect.left() + iconColumn + 4, rect.top(), rect.width() - iconColumn - 8, rect.height());
        DrawTextLine(painter, area, text,
                     enabled ? colours.color(QPalette::WindowText) : colours.color(QPalette::Disabled, QPalette::WindowText));
    } else {
        if (selected)
            painter.fillRect(QRect(rect.left() + iconWidth_ + 5, rect.top(), rect.width() - iconWidth_ - 5, rect.height()),
                             highlight);
        // A checked item's mark or icon sits in a sunken frame; a selected item's icon in a raised one.
        const QRect box = iconBox.adjusted(1, 1, -1, -1);
        if (checked)
            Draw3dRect(painter, box, colours.color(QPalette::Dark), colours.color(QPalette::Light));
        else if (selected && enabled && hasIcon)
            Draw3dRect(painter, box, colours.color(QPalette::Light), colours.color(QPalette::Dark));
        if (hasIcon)
            DrawIcon(painter, iconBox, option);
        else if (checked)
            DrawCheckMark(painter, box, colours.color(QPalette::WindowText), radio);
        QRect area(rect.left() + iconWidth_ + 5, rect.top(), rect.width() - 2 * iconWidth_ - 1, rect.height());
        QColor gray = colours.color(QPalette::Disabled, QPalette::WindowText);
        if (!enabled && !selected)
            DrawTextLine(painter, area.translated(1, 1), text, colours.color(QPalette::Light));
        QColor colour = !enabled ? gray : selected ? colours.color(QPalette::HighlightedText) : colours.color(QPalette::WindowText);
        DrawTextLine(painter, area, text, colour);
    }
    if (option.menuItemType == QStyleOptionMenuItem::SubMenu) {
        QStyleOption arrow(option);
        arrow.rect = QRect(rect.right() - iconWidth_ + 4, rect.top(), iconWidth_ - 6, rect.height());
        QApplication::style()->drawPrimitive(QStyle::PE_IndicatorArrowRight, &arrow, &painter);
    }
}
