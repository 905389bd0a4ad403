// How the icon button draws itself: background, border, icon, text and focus rectangle.
#include "controls/icon_button.h"

#include "controls/frame_3d.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

void CIconButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const bool pressed = Pressed();
    QRect rect = this->rect();
    if (!transparent_)
        PaintBackground(painter, rect, pressed);
    PaintBorder(painter, rect, pressed);
    const bool hasText = !text().isEmpty();
    QRect textArea = rect;
    if (!icon1_.isNull())
        PaintIcon(painter, rect, pressed, hasText, textArea);
    if (hasText)
        PaintText(painter, textArea, pressed);
    if (hasFocus() && (!isFlat() || drawFlatFocus_)) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = this->rect().adjusted(3, 3, -3, -3);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void CIconButton::PaintBackground(QPainter& painter, QRect& rect, bool pressed)
{
    if (!isFlat() && (hasFocus() || defaultButton_)) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        rect.adjust(1, 1, -1, -1);
    }
    ColorIndex background = mouseOver_ || pressed ? BTNST_COLOR_BK_IN : hasFocus() ? BTNST_COLOR_BK_FOCUS : BTNST_COLOR_BK_OUT;
    painter.fillRect(rect, Colour(background));
}

void CIconButton::PaintBorder(QPainter& painter, const QRect& rect, bool pressed)
{
    const QPalette& colours = palette();
    const QColor highlight = colours.color(QPalette::Light), shadow = colours.color(QPalette::Dark);
    if (pressed) {
        if (isFlat() && drawBorder_) {
            Draw3dRect(painter, rect, shadow, highlight);
        } else if (!isFlat()) {
            painter.setPen(shadow);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rect.adjusted(0, 0, -1, -1));
        }
        return;
    }
    if (!isFlat()) {
        Draw3dRect(painter, rect, highlight, colours.color(QPalette::Shadow));
        Draw3dRect(painter, rect.adjusted(1, 1, -1, -1), colours.color(QPalette::Midlight), shadow);
        return;
    }
    if (mouseOver_ && drawBorder_ && isEnabled())
        Draw3dRect(painter, rect, highlight, shadow);
}

void CIconButton::PaintIcon(QPainter& painter, const QRect& rect, bool pressed, bool hasText, QRect& textArea)
{
    // The idle icon shows while the button is neither pressed nor under the mouse.
    bool idle = checkBoxMode_ ? !pressed : !pressed && !mouseOver_;
    const QPixmap& icon = !icon2_.isNull() && idle ? icon2_ : icon1_;
    const QSize size = icon.deviceIndependentSize().toSize();
    QPoint at;
    switch (align_) {
    case ST_ALIGN_VERT:
        at.setX(rect.left() + (rect.width() - size.width()) / 2);
        at.setY(hasText ? rect.top() + iconOffset_.y() : rect.top() + (rect.height() - size.height()) / 2);
        if (hasText)
            textArea.setTop(at.y() + size.height());
        break;
    case ST_ALIGN_HORIZ_RIGHT:
        at.setX(hasText ? rect.right() + 1 - iconOffset_.x() - size.width() : rect.left() + (rect.width() - size.width()) / 2);
        at.setY(rect.top() + (rect.height() - size.height()) / 2);
        if (hasText)
            textArea.setRight(at.x() - 1);
        break;
    case ST_ALIGN_HORIZ:
        at.setX(hasText ? rect.left() + iconOffset_.x() : rect.left() + (rect.width() - size.width()) / 2);
        at.setY(rect.top() + (rect.height() - size.height()) / 2);
        if (hasText)
            textArea.setLeft(at.x() + size.width());
        break;
    }
    if (pressed && !checkBoxMode_) {
        at += pressedOffset_;
        textArea.translate(pressedOffset_);
    }
    if (isEnabled()) {
        painter.drawPixmap(at, icon);
        return;
    }
    QStyleOption option;
    option.initFrom(this);
    painter.drawPixmap(at, style()->generatedIconPixmap(QIcon::Disabled, icon, &option));
}

void CIconButton::PaintText(QPainter& painter, const QRect& textArea, bool pressed)
{
    const int flags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
    QRect measured = painter.fontMetrics().boundingRect(textArea, flags, text());
    measured.moveCenter(textArea.center());
    if (!isEnabled()) {
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(measured.translated(1, 1), flags, text());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawText(measured, flags, text());
        return;
    }
    ColorIndex colour = mouseOver_ || pressed ? BTNST_COLOR_FG_IN : hasFocus() ? BTNST_COLOR_FG_FOCUS : BTNST_COLOR_FG_OUT;
    painter.setPen(Colour(colour));
    painter.drawText(measured, flags, text());
}
