// Hands the measuring and drawing of a menu's items to the menu itself.
#pragma once

#include <QProxyStyle>

class CIconMenu;

class CIconMenuStyle : public QProxyStyle {
public:
    explicit CIconMenuStyle(const CIconMenu& menu) : menu_(menu) {}

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

private:
    const CIconMenu& menu_;
};
