// The icon button's tool tip: one tool (the button's client rectangle) with its text,
// shown while the mouse rests on the tool. Created inactive; its style is fixed at
// creation (TTS_BALLOON: a rounded balloon with a stem pointing at the mouse); lines
// longer than the maximum tip width wrap at word boundaries.
#pragma once

#include "platform/base/wintypes.h"

#include <QRect>
#include <QString>
#include <QWidget>

constexpr DWORD TTS_BALLOON = 0x40;

class CIconTip : public QWidget {
    Q_OBJECT

public:
    CIconTip(QWidget* owner, DWORD style);

    DWORD Style() const { return style_; }
    void SetMaxTipWidth(int width) { maxWidth_ = width; }
    int GetMaxTipWidth() const { return maxWidth_; }
    void Activate(bool active);
    bool IsActive() const { return active_; }

    // Tool 1: the owner's rectangle and the text shown for it.
    bool HasTool() const { return hasTool_; }
    void AddTool(const QRect& rect, const QString& text);
    void UpdateTipText(const QString& text);
    void SetToolRect(const QRect& rect) { toolRect_ = rect; }
    QString Text() const { return text_; }

    // The mouse rests at `position` (owner coordinates): shows the tip there when the tip
    // is active, the point lies in the tool and the tool has a text. True when shown.
    bool Pop(const QPoint& position);
    // The size the text takes, wrapped at the maximum width.
    QSize TextSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect TextRect() const;
    void FitText();

    QWidget* owner_;
    DWORD style_;
    int maxWidth_ = -1;
    bool active_ = false;
    bool hasTool_ = false;
    QRect toolRect_;
    QString text_;
};
