#include "controls/icon_button.h"

#include "controls/icon_images.h"
#include "platform/debug/debug.h"
#include "platform/sound/sound.h"
#include "resources/icons.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QUrl>

CIconButton::CIconButton(QWidget* parent, UINT buttonStyle) : QPushButton(parent)
{
    UINT type = buttonStyle & 0xF;
    checkBoxMode_ = (type & 0x2) != 0;
    defaultButton_ = type == BS_DEFPUSHBUTTON;
    setDefault(defaultButton_);
    setFlat(true);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    SetDefaultColors();
    // Connected first, so the button's own click handling runs before its owner's.
    connect(this, &QAbstractButton::clicked, this, &CIconButton::OnClicked);
}

CIconButton::~CIconButton() = default;

DWORD CIconButton::SetIcon(const QPixmap& icon, const SecondIcon& second)
{
    icon1_ = QPixmap();
    icon2_ = QPixmap();
    if (icon.isNull() || (second.kind == SecondIcon::Icon && second.icon.isNull())) {
        update();
        return 1;
    }
    icon1_ = icon;
    switch (second.kind) {
    case SecondIcon::Icon:
        icon2_ = second.icon;
        break;
    case SecondIcon::AutoGray:
        icon2_ = CreateGrayscaleIcon(icon);
        break;
    case SecondIcon::AutoDarker:
        icon2_ = CreateDarkerIcon(icon);
        break;
    case SecondIcon::None:
        break;
    }
    update();
    return 0;
}

DWORD CIconButton::SetIconById(UINT iconId)
{
    return SetIcon(res::LoadIconResource(iconId));
}

namespace {
constexpr int kToolTipMaxWidth = 400;
} // namespace

void CIconButton::InitToolTip()
{
    if (tip_ != nullptr)
        return;
    tip_ = new CIconTip(this, ToolTipStyle);
    tip_->Activate(false);
    tip_->SetMaxTipWidth(kToolTipMaxWidth);
}

void CIconButton::SetTooltipText(const QString& text)
{
    if (text.isNull())
        return;
    // Kept as the widget's tool tip too, where accessibility and tests read it.
    setToolTip(text);
    InitToolTip();
    if (!tip_->HasTool())
        tip_->AddTool(rect(), text);
    else
        tip_->UpdateTipText(text);
    tip_->Activate(true);
}

// The tip shows for the tool while the mouse rests on it, never for a disabled button, and
// goes when the mouse leaves or presses; Qt's own tool tip is never shown.
bool CIconButton::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        InitToolTip();
        tip_->SetToolRect(rect());
        if (isEnabled())
            tip_->Pop(static_cast<QHelpEvent*>(event)->pos());
        else
            tip_->hide();
        return true;
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Hide:
        if (tip_ != nullptr)
            tip_->hide();
        break;
    default:
        break;
    }
    return QPushButton::event(event);
}

void CIconButton::SetAlign(IconAlign align)
{
    align_ = align;
    update();
}

void CIconButton::SetColor(ColorIndex index, const QColor& colour)
{
    colours_[index] = colour;
    update();
}

void CIconButton::SetDefaultColors()
{
    const QPalette& system = palette();
    for (ColorIndex background : {BTNST_COLOR_BK_IN, BTNST_COLOR_BK_OUT, BTNST_COLOR_BK_FOCUS})
        colours_[background] = system.color(QPalette::Button);
    for (ColorIndex text : {BTNST_COLOR_FG_IN, BTNST_COLOR_FG_OUT, BTNST_COLOR_FG_FOCUS})
        colours_[text] = system.color(QPalette::ButtonText);
    update();
}

void CIconButton::DrawBorder(bool enable)
{
    drawBorder_ = enable;
    update();
}

void CIconButton::DrawFlatFocus(bool enable)
{
    drawFlatFocus_ = enable;
    update();
}

void CIconButton::DrawTransparent(bool enable)
{
    transparent_ = enable;
    update();
}

void CIconButton::SetAlwaysTrack(bool enable)
{
    alwaysTrack_ = enable;
}

void CIconButton::SetBtnCursor(const std::optional<QCursor>& cursor)
{
    cursor_ = cursor;
    if (cursor_)
        setCursor(*cursor_);
    else
        unsetCursor();
}

void CIconButton::SetURL(const QString& url)
{
    url_ = url;
}

void CIconButton::SetSound(const QString& fileName, bool forClick)
{
    (forClick ? clickSound_ : hoverSound_) = fileName;
}

BOOL CIconButton::SetMenu(UINT menuId, std::function<void(CIconMenu&)> beforeShow)
{
    hasMenu_ = false;
    beforeMenu_ = std::move(beforeShow);
    if (menuId == 0) {
        menu_.DestroyMenuData();
        return TRUE;
    }
    hasMenu_ = menu_.LoadMenu(menuId) != FALSE && menu_.GetSubMenu(0) != nullptr;
    update();
    return hasMenu_ ? TRUE : FALSE;
}

void CIconButton::SetCheck(int state)
{
    if (!checkBoxMode_)
        return;
    checked_ = state == 1 || state == 2;
    update();
}

bool CIconButton::Pressed() const
{
    if (checkBoxMode_)
        return isDown() || checked_;
    return isDown() || (hasMenu_ && menuShown_);
}

namespace {

void Play(const QString& sound)
{
    if (sound.isEmpty())
        return;
    std::u16string name = sound.toStdU16String();
    PlaySoundW(name.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT);
}

} // namespace

void CIconButton::OnClicked()
{
    setFocus(Qt::MouseFocusReason);
    Play(clickSound_);
    if (checkBoxMode_) {
        checked_ = !checked_;
        update();
        return;
    }
    if (hasMenu_) {
        CIconMenu* popup = menu_.GetSubMenu(0);
        menuShown_ = true;
        repaint();
        if (beforeMenu_)
            beforeMenu_(*popup);
        QAction* chosen = popup->exec(mapToGlobal(rect().bottomLeft()));
        menuShown_ = false;
        repaint();
        if (chosen != nullptr && chosen->data().isValid())
            emit menuCommand(chosen->data().toUInt());
        return;
    }
    if (!url_.isEmpty() && !QDesktopServices::openUrl(QUrl(url_)))
        platform::DebugPrintf("CIconButton: the link %s could not be opened", url_.toUtf8().constData());
}

void CIconButton::TrackHover(const QPoint& position, Qt::MouseButtons buttons)
{
    if (!isFlat() || !isEnabled())
        return;
    if ((buttons & Qt::LeftButton) != 0 && !mouseOver_)
        return;
    bool inside = rect().contains(position) && (alwaysTrack_ || QApplication::activeWindow() != nullptr);
    if (inside && !mouseOver_) {
        mouseOver_ = true;
        update();
        Play(hoverSound_);
    } else if (!inside && mouseOver_) {
        ClearMouseOver();
    }
}

void CIconButton::ClearMouseOver()
{
    if (!mouseOver_)
        return;
    mouseOver_ = false;
    update();
}

void CIconButton::mouseMoveEvent(QMouseEvent* event)
{
    TrackHover(event->position().toPoint(), event->buttons());
    QPushButton::mouseMoveEvent(event);
}

void CIconButton::enterEvent(QEnterEvent* event)
{
    TrackHover(event->position().toPoint(), QApplication::mouseButtons());
    QPushButton::enterEvent(event);
}

void CIconButton::leaveEvent(QEvent* event)
{
    ClearMouseOver();
    QPushButton::leaveEvent(event);
}

void CIconButton::focusOutEvent(QFocusEvent* event)
{
    // Qt takes the focus from a button being disabled before it reports the change; the
    // change then hands it on within the parent.
    passFocusOn_ = !isEnabled();
    ClearMouseOver();
    QPushButton::focusOutEvent(event);
}

void CIconButton::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled()) {
            if (tip_ != nullptr)
                tip_->hide();
            ClearMouseOver();
            if (passFocusOn_)
                PassFocusOn();
        }
        passFocusOn_ = false;
        break;
    case QEvent::ActivationChange:
        if (!isActiveWindow())
            ClearMouseOver();
        break;
    case QEvent::PaletteChange:
        SetDefaultColors();
        break;
    default:
        break;
    }
    QPushButton::changeEvent(event);
}

// A disabled button gives its focus to the parent's next tab item, wrapping round within
// the parent, or to the parent itself when it has no other.
void CIconButton::PassFocusOn()
{
    QWidget* parent = parentWidget();
    if (parent == nullptr)
        return;
    for (QWidget* next = nextInFocusChain(); next != this; next = next->nextInFocusChain())
        if (parent->isAncestorOf(next) && next->isEnabled() && next->isVisible() && (next->focusPolicy() & Qt::TabFocus) != 0) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    parent->setFocus(Qt::OtherFocusReason);
}
