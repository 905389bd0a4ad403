// The off-screen drawing surface of a menu item: everything is drawn into a buffer of the
// item's size, which reaches the target in one copy when the surface is destroyed. A
// printer is drawn on directly.
#pragma once

#include <QPainter>
#include <QPixmap>
#include <QRect>

class CIconMenuDC {
public:
    CIconMenuDC(QPainter& target, const QRect& rect);
    ~CIconMenuDC();
    CIconMenuDC(const CIconMenuDC&) = delete;
    CIconMenuDC& operator=(const CIconMenuDC&) = delete;

    // Draw with item coordinates; they are those of the target.
    QPainter& painter() { return offScreen_ ? buffered_ : target_; }

private:
    QPainter& target_;
    QRect rect_;
    bool offScreen_;
    QPixmap buffer_;
    QPainter buffered_;
};
