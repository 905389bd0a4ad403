#include "controls/icon_tip.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kPadding = 4;     // between the frame and the text
constexpr int kStemHeight = 12; // balloon: the stem above the body
constexpr int kStemWidth = 14;
constexpr int kStemInset = 10;  // from the body's left edge to the stem
constexpr int kCornerRadius = 8;

} // namespace

CIconTip::CIconTip(QWidget* owner, DWORD style)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus), owner_(owner), style_(style)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void CIconTip::Activate(bool active)
{
    active_ = active;
    if (!active_)
        hide();
}

void CIconTip::AddTool(const QRect& rect, const QString& text)
{
    hasTool_ = true;
    toolRect_ = rect;
    UpdateTipText(text);
}

void CIconTip::UpdateTipText(const QString& text)
{
    text_ = text;
    if (isVisible())
        FitText();
    update();
}

QSize CIconTip::TextSize() const
{
    const QFontMetrics metrics(font());
    if (maxWidth_ <= 0)
        return metrics.size(0, text_);
    return metrics.boundingRect(QRect(0, 0, maxWidth_, 1 << 16), Qt::TextWordWrap, text_).size();
}

QRect CIconTip::TextRect() const
{
    const int top = (style_ & TTS_BALLOON) != 0 ? kStemHeight : 0;
    return QRect(QPoint(kPadding + 1, top + kPadding + 1), TextSize());
}

bool CIconTip::Pop(const QPoint& position)
{
    if (!active_ || !hasTool_ || text_.isEmpty() || !toolRect_.contains(position)) {
        hide();
        return false;
    }
    FitText();
    // The balloon's stem points at the mouse; a plain tip sits just below it.
    const QPoint at = owner_->mapToGlobal(position);
    move((style_ & TTS_BALLOON) != 0 ? at - QPoint(kStemInset + kStemWidth / 2, 0) : at + QPoint(0, 20));
    show();
    raise();
    update();
    return true;
}

void CIconTip::FitText()
{
    const QRect text = TextRect();
    resize(text.right() + kPadding + 2, text.bottom() + kPadding + 2);
}

void CIconTip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette colours = owner_->palette();
    const QColor frame = colours.color(QPalette::ToolTipText);
    QPainterPath outline;
    if ((style_ & TTS_BALLOON) != 0) {
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF body = QRectF(rect()).adjusted(0.5, kStemHeight + 0.5, -0.5, -0.5);
        outline.addRoundedRect(body, kCornerRadius, kCornerRadius);
        QPainterPath stem;
        stem.moveTo(body.left() + kStemInset, body.top() + 1);
        stem.lineTo(body.left() + kStemInset + kStemWidth / 2.0, 0.5);
        stem.lineTo(body.left() + kStemInset + kStemWidth, body.top() + 1);
        stem.closeSubpath();
        outline = outline.united(stem);
    } else {
        outline.addRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    painter.setPen(QPen(frame, 1));
    painter.setBrush(colours.color(QPalette::ToolTipBase));
    painter.drawPath(outline);
    painter.setPen(frame);
    painter.drawText(TextRect(), Qt::TextWordWrap, text_);
}
