// The icon push button: an owner-drawn button with an icon (and optionally a second icon
// for the idle state), a flat look that raises on hover, per-state colours, a tooltip,
// optional hover and click sounds, cursor, drop-down menu and link address. The port
// views use it as each port's status button.
#pragma once

#include "controls/icon_menu.h"
#include "controls/icon_tip.h"
#include "platform/base/wintypes.h"

#include <QColor>
#include <QCursor>
#include <QPixmap>
#include <QPushButton>
#include <QString>

#include <functional>
#include <optional>

// Button styles of a dialog template that the button reads at creation.
constexpr UINT BS_PUSHBUTTON = 0x0;
constexpr UINT BS_DEFPUSHBUTTON = 0x1;
constexpr UINT BS_CHECKBOX = 0x2;
constexpr UINT BS_AUTOCHECKBOX = 0x3;

class CIconButton : public QPushButton {
    Q_OBJECT

public:
    enum IconAlign { ST_ALIGN_HORIZ = 0, ST_ALIGN_VERT = 1, ST_ALIGN_HORIZ_RIGHT = 2 };
    enum ColorIndex { BTNST_COLOR_BK_IN, BTNST_COLOR_FG_IN, BTNST_COLOR_BK_OUT, BTNST_COLOR_FG_OUT, BTNST_COLOR_BK_FOCUS, BTNST_COLOR_FG_FOCUS };
    // The second icon of SetIcon: none, another icon, or a copy of the first made gray or darker.
    struct SecondIcon {
        enum Kind { None, Icon, AutoGray, AutoDarker } kind = None;
        QPixmap icon;
    };

    // `buttonStyle` is the control's style from its template (the push-button type bits).
    explicit CIconButton(QWidget* parent = nullptr, UINT buttonStyle = BS_PUSHBUTTON);
    ~CIconButton() override;

    // 0, or 1 when an icon cannot be read (the button then has no icons).
    DWORD SetIcon(const QPixmap& icon, const SecondIcon& second);
    DWORD SetIcon(const QPixmap& icon) { return SetIcon(icon, SecondIcon{}); }
    DWORD SetIconById(UINT iconId);
    // A null text is ignored; the text is the button's tooltip from now on.
    void SetTooltipText(const QString& text);
    // The style the tool tip is created with (TTS_BALLOON); its owner sets it before the
    // first text.
    DWORD ToolTipStyle = 0;
    // The tool tip, once it has been needed.
    const CIconTip* ToolTip() const { return tip_; }

    void SetAlign(IconAlign align);
    void SetColor(ColorIndex index, const QColor& colour);
    void SetDefaultColors();
    void DrawBorder(bool enable);
    void DrawFlatFocus(bool enable);
    void DrawTransparent(bool enable);
    void SetAlwaysTrack(bool enable);
    void SetBtnCursor(const std::optional<QCursor>& cursor);
    void SetURL(const QString& url);
    // A sound file played on hover (`forClick` false) or click; an empty name removes it.
    void SetSound(const QString& fileName, bool forClick);
    // Drop-down menu from menu resource `menuId`; 0 removes it. `beforeShow` is called with
    // the sub-menu about to be shown. The chosen command arrives as menuCommand.
    BOOL SetMenu(UINT menuId, std::function<void(CIconMenu&)> beforeShow = {});

    // Check-box mode: 1 or 2 checks, 0 clears.
    void SetCheck(int state);
    int GetCheck() const { return checked_ ? 1 : 0; }

    QSize IconSize() const { return icon1_.isNull() ? QSize() : icon1_.deviceIndependentSize().toSize(); }
    const QPixmap& Icon() const { return icon1_; }
    bool IsMouseOver() const { return mouseOver_; }
    bool IsCheckBoxMode() const { return checkBoxMode_; }

signals:
    void menuCommand(UINT command);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

    // The drawing steps, in the order DrawItem runs them.
    virtual void PaintBackground(QPainter& painter, QRect& rect, bool pressed);
    virtual void PaintBorder(QPainter& painter, const QRect& rect, bool pressed);
    virtual void PaintIcon(QPainter& painter, const QRect& rect, bool pressed, bool hasText, QRect& textArea);
    virtual void PaintText(QPainter& painter, const QRect& textArea, bool pressed);

private:
    void InitToolTip();
    void OnClicked();
    void TrackHover(const QPoint& position, Qt::MouseButtons buttons);
    void ClearMouseOver();
    void PassFocusOn();
    bool Pressed() const;
    QColor Colour(ColorIndex index) const { return colours_[index]; }

    QPixmap icon1_;
    QPixmap icon2_;
    bool mouseOver_ = false;
    bool checkBoxMode_ = false;
    bool checked_ = false;
    bool defaultButton_ = false;
    bool drawBorder_ = true;
    bool drawFlatFocus_ = false;
    bool transparent_ = false;
    bool alwaysTrack_ = false;
    bool menuShown_ = false;
    bool passFocusOn_ = false; // the focus was lost to being disabled
    IconAlign align_ = ST_ALIGN_HORIZ;
    QPoint iconOffset_{3, 3};
    QPoint pressedOffset_{1, 1};
    QColor colours_[6];
    std::optional<QCursor> cursor_;
    QString url_;
    QString hoverSound_;
    QString clickSound_;
    CIconTip* tip_ = nullptr; // a child of the button
    CIconMenu menu_;
    bool hasMenu_ = false;
    std::function<void(CIconMenu&)> beforeMenu_;
};
