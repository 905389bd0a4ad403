// The icon button on the widget itself: where and which icon it draws, its tooltip, its
// clicks and its hover border.
#include "controls/icon_button.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolTip>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

QPixmap Solid(int size, QColor colour)
{
    QPixmap pixmap(size, size);
    pixmap.fill(colour);
    return pixmap;
}

QImage Grab(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The rectangle of the pixels of one colour.
QRect Extent(const QImage& image, QColor colour)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                found |= QRect(x, y, 1, 1);
    return found;
}

class IconButtonTest : public ::testing::Test {
protected:
    IconButtonTest() { button.resize(80, 60); }

    void Enter()
    {
        QEnterEvent enter(QPointF(40, 30), QPointF(40, 30), button.mapToGlobal(QPointF(40, 30)));
        QApplication::sendEvent(&button, &enter);
    }

    void Mouse(QEvent::Type type)
    {
        QMouseEvent event(type, QPointF(40, 30), button.mapToGlobal(QPointF(40, 30)), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&button, &event);
    }

    CIconButton button;
};

struct PlacementCase {
    int iconSize;
    const char* text;
    CIconButton::IconAlign align;
    QPoint expectedTopLeft;
};

TEST_F(IconButtonTest, IconIsDrawnAtItsOwnSizeWhereTheAlignmentPutsIt)
{
    const PlacementCase cases[] = {
        {16, "", CIconButton::ST_ALIGN_HORIZ, QPoint(32, 22)},
        {32, "", CIconButton::ST_ALIGN_HORIZ, QPoint(24, 14)},
        {48, "", CIconButton::ST_ALIGN_VERT, QPoint(16, 6)},
        {16, "Go", CIconButton::ST_ALIGN_HORIZ, QPoint(3, 22)},
        {16, "Go", CIconButton::ST_ALIGN_VERT, QPoint(32, 3)},
        {16, "Go", CIconButton::ST_ALIGN_HORIZ_RIGHT, QPoint(80 - 3 - 16, 22)},
    };
    for (const PlacementCase& c : cases) {
        ASSERT_EQ(button.SetIcon(Solid(c.iconSize, Qt::red)), 0u);
        button.setText(c.text);
        button.SetAlign(c.align);
        EXPECT_EQ(button.IconSize(), QSize(c.iconSize, c.iconSize));
        EXPECT_EQ(Extent(Grab(button), Qt::red), QRect(c.expectedTopLeft, QSize(c.iconSize, c.iconSize)))
            << c.iconSize << " px, text \"" << c.text << "\", alignment " << c.align;
    }
}

TEST_F(IconButtonTest, SecondIconShowsOnlyWhileIdle)
{
    const QPoint centre(40, 30);
    auto shown = [&] { return Grab(button).pixelColor(centre); };

    button.SetIcon(Solid(32, Qt::red));
    button.SetAlwaysTrack(true);
    EXPECT_EQ(shown(), QColor(Qt::red)) << "one icon: shown idle";
    Enter();
    EXPECT_EQ(shown(), QColor(Qt::red)) << "one icon: shown under the mouse";

    button.SetIcon(Solid(32, Qt::red), {CIconButton::SecondIcon::Icon, Solid(32, Qt::blue)});
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(shown(), QColor(Qt::blue)) << "idle: the second icon";
    Enter();
    EXPECT_EQ(shown(), QColor(Qt::red)) << "under the mouse: the first";
    QApplication::sendEvent(&button, &leave);
    button.setDown(true);
    EXPECT_EQ(Grab(button).pixelColor(centre + QPoint(1, 1)), QColor(Qt::red)) << "pressed: the first, moved by one pixel";
    button.setDown(false);

    button.SetIcon(Solid(32, QColor(200, 100, 50)), {CIconButton::SecondIcon::AutoGray, {}});
    int gray = static_cast<int>(0.299 * 200 + 0.587 * 100 + 0.114 * 50);
    EXPECT_EQ(shown(), QColor(gray, gray, gray));
    button.SetIcon(Solid(32, QColor(200, 100, 50)), {CIconButton::SecondIcon::AutoDarker, {}});
    EXPECT_EQ(shown(), QColor(150, 75, 37));
}

TEST_F(IconButtonTest, DisabledButtonDrawsItsIconDisabled)
{
    button.SetIcon(Solid(32, Qt::red));
    button.setEnabled(false);
    const QColor shown = Grab(button).pixelColor(40, 30);
    EXPECT_NE(shown, QColor(Qt::red));
    EXPECT_TRUE(Extent(Grab(button), shown).contains(QRect(24, 14, 32, 32))) << "in the icon's place";
}

TEST_F(IconButtonTest, UnreadableIconLeavesTheButtonWithoutIcons)
{
    button.SetIcon(Solid(32, Qt::red));
    EXPECT_EQ(button.SetIcon(QPixmap()), 1u);
    EXPECT_EQ(button.IconSize(), QSize());
    EXPECT_FALSE(Extent(Grab(button), Qt::red).isValid());
    EXPECT_EQ(button.SetIcon(Solid(32, Qt::red), {CIconButton::SecondIcon::Icon, QPixmap()}), 1u);
    EXPECT_EQ(button.IconSize(), QSize());
    EXPECT_EQ(button.SetIconById(1), 1u) << "no icon of that id";
    EXPECT_EQ(button.SetIconById(143), 0u);
    EXPECT_EQ(button.IconSize(), QSize(48, 48));
}

TEST_F(IconButtonTest, TooltipTextIsReplacedAndNullIgnored)
{
    button.SetTooltipText(QStringLiteral("Connected!!"));
    button.SetTooltipText(QStringLiteral("Run Success!!"));
    EXPECT_EQ(button.toolTip(), QStringLiteral("Run Success!!"));
    button.SetTooltipText(QString());
    EXPECT_EQ(button.toolTip(), QStringLiteral("Run Success!!"));
    button.SetTooltipText(QStringLiteral(""));
    EXPECT_EQ(button.toolTip(), QStringLiteral(""));
}

// The tip is made at the first text, with the style the button has then, inactive and
// 400 pixels wide at most; later texts change its one tool.
TEST_F(IconButtonTest, ToolTipIsMadeOnceWithItsStyleAndWidthAndKeepsOneTool)
{
    EXPECT_EQ(button.ToolTip(), nullptr) << "made on first need";
    button.ToolTipStyle |= TTS_BALLOON;
    button.SetTooltipText(QStringLiteral("Connected!!"));
    const CIconTip* tip = button.ToolTip();
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(tip->Style(), TTS_BALLOON);
    EXPECT_EQ(tip->GetMaxTipWidth(), 400);
    EXPECT_TRUE(tip->IsActive());
    EXPECT_EQ(tip->Text(), QStringLiteral("Connected!!"));

    button.ToolTipStyle = 0;
    button.SetTooltipText(QStringLiteral("Run Success!!"));
    EXPECT_EQ(button.ToolTip(), tip) << "the same tip and tool";
    EXPECT_EQ(tip->Text(), QStringLiteral("Run Success!!"));
    EXPECT_EQ(tip->Style(), TTS_BALLOON) << "the style is the one of its creation";

    const QString words = QStringLiteral("Redo it again!! ").repeated(40);
    button.SetTooltipText(words);
    const QFontMetrics metrics(tip->font());
    EXPECT_LE(tip->TextSize().width(), 400);
    EXPECT_GT(metrics.horizontalAdvance(words), 400);
    EXPECT_GE(tip->TextSize().height(), 3 * metrics.height()) << "wrapped into lines";

    CIconButton plain;
    plain.SetTooltipText(QStringLiteral("Connected!!"));
    ASSERT_NE(plain.ToolTip(), nullptr);
    EXPECT_EQ(plain.ToolTip()->Style(), 0u);
}

// The tip shows while the mouse rests on an enabled button with a text, in place of Qt's.
TEST_F(IconButtonTest, ToolTipShowsWhileTheMouseRestsOnAnEnabledButton)
{
    button.show();
    auto rest = [&] {
        QHelpEvent help(QEvent::ToolTip, QPoint(40, 30), button.mapToGlobal(QPoint(40, 30)));
        QApplication::sendEvent(&button, &help);
        return button.ToolTip() != nullptr && button.ToolTip()->isVisible();
    };
    EXPECT_FALSE(rest()) << "no text yet";
    button.SetTooltipText(QStringLiteral("Run Fail!!"));
    EXPECT_TRUE(rest());
    EXPECT_FALSE(QToolTip::isVisible()) << "Qt's own tip is not shown";
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_FALSE(button.ToolTip()->isVisible());

    EXPECT_TRUE(rest());
    button.setEnabled(false);
    EXPECT_FALSE(button.ToolTip()->isVisible());
    EXPECT_FALSE(rest()) << "never for a disabled button";
    button.setEnabled(true);
    button.SetTooltipText(QStringLiteral(""));
    EXPECT_FALSE(rest()) << "nor for an empty text";
}

struct TipShapeCase {
    const char* name;
    DWORD style;
    bool cornersPainted; // the outermost corner pixels
    bool stemPainted;    // a point above the body, where a balloon's stem rises
};

// A balloon is a rounded body below a stem that points at the mouse; a plain tip is a
// framed rectangle.
TEST(IconTip, BalloonAndPlainShapes)
{
    const TipShapeCase cases[] = {{"balloon", TTS_BALLOON, false, true}, {"plain", 0, true, true}};
    QWidget owner;
    owner.resize(100, 100);
    for (const TipShapeCase& c : cases) {
        CIconTip tip(&owner, c.style);
        tip.AddTool(owner.rect(), QStringLiteral("Connected!!"));
        tip.Activate(true);
        ASSERT_TRUE(tip.Pop(QPoint(50, 50))) << c.name;
        QImage image(tip.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        tip.render(&image);
        const int right = image.width() - 1, bottom = image.height() - 1;
        for (QPoint corner : {QPoint(0, bottom), QPoint(right, bottom), QPoint(right, 0)})
            EXPECT_EQ(qAlpha(image.pixel(corner)) != 0, c.cornersPainted) << c.name << " corner " << corner.x() << "," << corner.y();
        EXPECT_EQ(qAlpha(image.pixel(17, 4)) != 0, c.stemPainted) << c.name;
        EXPECT_EQ(qAlpha(image.pixel(2, 4)) != 0, c.cornersPainted) << c.name << ": beside the stem";
        tip.Activate(false);
        EXPECT_FALSE(tip.isVisible()) << c.name;
        EXPECT_FALSE(tip.Pop(QPoint(50, 50))) << c.name << ": inactive";
        EXPECT_FALSE(tip.Pop(QPoint(150, 50))) << c.name << ": outside the tool";
    }
}

TEST_F(IconButtonTest, DoubleClickCountsAsTwoClicks)
{
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&] { ++clicks; });
    // The order in which the window system reports a double-click.
    Mouse(QEvent::MouseButtonPress);
    Mouse(QEvent::MouseButtonRelease);
    Mouse(QEvent::MouseButtonDblClick);
    Mouse(QEvent::MouseButtonRelease);
    EXPECT_EQ(clicks, 2);
}

TEST_F(IconButtonTest, HoverBorderOnlyOnAnEnabledFlatButton)
{
    button.SetAlwaysTrack(true);
    const QImage idle = Grab(button);
    Enter();
    EXPECT_TRUE(button.IsMouseOver());
    EXPECT_NE(Grab(button), idle) << "hovered: the raised border";

    button.setEnabled(false);
    EXPECT_FALSE(button.IsMouseOver());
    const QImage disabled = Grab(button);
    Enter();
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 30), button.mapToGlobal(QPointF(40, 30)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &move);
    EXPECT_FALSE(button.IsMouseOver());
    EXPECT_EQ(Grab(button), disabled) << "a disabled button never raises";

    button.setEnabled(true);
    button.setFlat(false);
    Enter();
    EXPECT_FALSE(button.IsMouseOver()) << "a raised button does not track";
}

TEST(IconButtonModes, CheckBoxStyleTogglesOnClick)
{
    CIconButton box(nullptr, BS_AUTOCHECKBOX);
    EXPECT_TRUE(box.IsCheckBoxMode());
    box.click();
    EXPECT_EQ(box.GetCheck(), 1);
    box.click();
    EXPECT_EQ(box.GetCheck(), 0);
    box.SetCheck(2);
    EXPECT_EQ(box.GetCheck(), 1);
    CIconButton push(nullptr, BS_DEFPUSHBUTTON);
    EXPECT_FALSE(push.IsCheckBoxMode());
    EXPECT_TRUE(push.isDefault());
    push.SetCheck(1);
    EXPECT_EQ(push.GetCheck(), 0) << "a push button has no check";
}

TEST(IconButtonModes, MenuCommandIsPassedToTheOwner)
{
    CIconButton button;
    ASSERT_TRUE(button.SetMenu(128));
    QString shownTitle;
    ASSERT_FALSE(button.SetMenu(7)) << "no such menu";
    ASSERT_TRUE(button.SetMenu(128, [&](CIconMenu& menu) { shownTitle = menu.title(); }));
    UINT command = 0;
    QObject::connect(&button, &CIconButton::menuCommand, [&](UINT id) { command = id; });
    QTimer::singleShot(0, [] {
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(popup, nullptr);
        popup->setActiveAction(popup->actions().at(3)); // "&AutoRun"
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(popup, &enter);
    });
    button.click();
    EXPECT_EQ(shownTitle, QStringLiteral("&Function"));
    EXPECT_EQ(command, 32795u);
}

struct FocusCase {
    const char* name;
    int editsBefore; // focusable siblings ahead of the button in the tab order
    int editsAfter;
};

// A disabled button hands its focus to the next tab item of its own parent: after it, else
// round to the first one ahead of it, else the parent; never to the window's next widget.
TEST(IconButtonFocus, DisablingPassesTheFocusOnWithinTheParent)
{
    const FocusCase cases[] = {
        {"a sibling follows", 1, 1},
        {"the last item wraps round", 2, 0},
        {"no other item: the parent", 0, 0},
    };
    for (const FocusCase& c : cases) {
        QWidget window;
        auto* parent = new QWidget(&window);
        std::vector<QLineEdit*> before;
        for (int n = 0; n < c.editsBefore; ++n)
            before.push_back(new QLineEdit(parent));
        auto* button = new CIconButton(parent);
        std::vector<QLineEdit*> after;
        for (int n = 0; n < c.editsAfter; ++n)
            after.push_back(new QLineEdit(parent));
        new QLineEdit(&window); // next in the window's tab order
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window)) << c.name;
        button->setFocus();
        ASSERT_TRUE(button->hasFocus()) << c.name;

        button->setEnabled(false);
        QWidget* expected = !after.empty() ? after.front() : !before.empty() ? before.front() : parent;
        EXPECT_EQ(window.focusWidget(), expected) << c.name;
        EXPECT_TRUE(expected->hasFocus()) << c.name;
    }
}

TEST(IconButtonFocus, DisablingAButtonWithoutTheFocusMovesNothing)
{
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* button = new CIconButton(&window);
    new QLineEdit(&window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    edit->setFocus();
    button->setEnabled(false);
    EXPECT_TRUE(edit->hasFocus());
}

} // namespace
