// The owner-drawn menu: what it loads, how large its items are in each look, and where
// it draws the selection.
#include "controls/icon_menu.h"
#include "controls/menu_colours.h"
#include "controls/theme.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QMenuBar>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include <gtest/gtest.h>

namespace {

class MenuLook : public ::testing::Test {
protected:
    ~MenuLook() override { MenuWinVersion = saved_; }
    int saved_ = MenuWinVersion;
};

TEST(IconMenu, LoadsTheMenuResourceWithItsPopups)
{
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(128));
    ASSERT_EQ(menu.actions().size(), 3);
    CIconMenu* function = menu.GetSubMenu(0);
    ASSERT_NE(function, nullptr);
    EXPECT_EQ(function->title(), QStringLiteral("&Function"));
    ASSERT_EQ(function->Items().size(), 5u);
    EXPECT_EQ(function->Items()[0]->text, QStringLiteral("&Setting\tCtrl+S"));
    EXPECT_EQ(function->Items()[4]->id, 32796u);
    CIconMenu* view = menu.GetSubMenu(1);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->Items()[2]->flags, MF_POPUP);
    ASSERT_NE(view->GetSubMenu(0), nullptr) << "the device-number pop-up inside View";
    EXPECT_EQ(view->GetSubMenu(0)->Items().size(), 5u);
    EXPECT_EQ(menu.GetSubMenu(3), nullptr);

    EXPECT_FALSE(menu.LoadMenu(4711));
    EXPECT_EQ(menu.actions().size(), 3) << "a missing resource keeps the contents";
    menu.DestroyMenuData();
    EXPECT_TRUE(menu.actions().isEmpty());
    EXPECT_EQ(menu.GetSubMenu(0), nullptr);
}

TEST_F(MenuLook, ItemSizesOfBothLooks)
{
    ASSERT_EQ(IsClassicTheme(), 0) << "the test platform's style is not the classic one";
    const int barHeight = QFontMetrics(QApplication::font("QMenuBar")).height() + 6;
    CIconMenu menu;
    CIconMenuItem item{QStringLiteral("&Enumerate\tCtrl+E"), 0, 32793, nullptr};
    CIconMenuItem separator{QString(), MF_SEPARATOR, 0, nullptr};

    MenuWinVersion = kWinXp; // the flat look
    int textWidth = QFontMetrics(QApplication::font("QMenu")).horizontalAdvance(QStringLiteral("&Enumerate Ctrl+E"));
    EXPECT_EQ(menu.MeasureItem(item), QSize(textWidth + 31, std::max(22, barHeight)));
    EXPECT_EQ(menu.MeasureItem(separator), QSize(0, std::max(11, barHeight / 2)));

    MenuWinVersion = kWinNtOther; // classic, measured in the default font
    textWidth = QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("&Enumerate Ctrl+E"));
    EXPECT_EQ(menu.MeasureItem(item), QSize(textWidth + 33, std::max(19, barHeight)));
    EXPECT_EQ(menu.MeasureItem(separator), QSize(0, std::max(9, barHeight / 2)));

    MenuWinVersion = kWin32s; // no text measuring at all
    EXPECT_EQ(menu.MeasureItem(item).width(), 33);
}

QImage DrawSelected(const CIconMenu& menu, const QColor& highlight)
{
    QImage image(200, 24, QImage::Format_RGB32);
    QStyleOptionMenuItem option;
    option.rect = image.rect();
    option.text = QStringLiteral("&AutoRun\tCtrl+A");
    option.menuItemType = QStyleOptionMenuItem::Normal;
    option.state = QStyle::State_Enabled | QStyle::State_Selected;
    option.palette = QApplication::palette();
    option.palette.setColor(QPalette::Highlight, highlight);
    QPainter painter(&image);
    menu.DrawItem(painter, option);
    return image;
}

TEST_F(MenuLook, SelectionOfEachLook)
{
    CIconMenu menu;
    const QColor highlight(0, 0, 200);
    MenuWinVersion = kWinNtOther;
    QImage classic = DrawSelected(menu, highlight);
    EXPECT_EQ(classic.pixelColor(16 + 5, 2), highlight) << "the selection starts 5 pixels right of the icon column";
    EXPECT_NE(classic.pixelColor(16 + 3, 2), highlight);
    EXPECT_EQ(classic.pixelColor(199, 23), highlight) << "and runs to the right edge";

    MenuWinVersion = kWinXp;
    QImage flat = DrawSelected(menu, highlight);
    EXPECT_EQ(flat.pixelColor(0, 10), highlight) << "a one-pixel outline";
    EXPECT_EQ(flat.pixelColor(8, 10), LightenColour(highlight, 0.7)) << "filled with the lightened highlight";
}

TEST(MenuColours, LightenTable)
{
    struct Case {
        QColor in;
        double factor;
        QColor out;
    };
    const Case cases[] = {
        {QColor(0, 0, 200), 0.7, QColor(178, 178, 238)},
        {QColor(10, 20, 30), 1.0, QColor(255, 255, 255)},
        {QColor(10, 20, 30), 0.0, QColor(10, 20, 30)},
        {QColor(10, 20, 30), 1.5, QColor(10, 20, 30)},
        {QColor(10, 20, 30), -0.5, QColor(10, 20, 30)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LightenColour(c.in, c.factor), c.out) << c.factor;
}

TEST(Theme, ClassicOnlyForTheWindowsStyle)
{
    EXPECT_TRUE(IsClassicStyleName("Windows"));
    EXPECT_TRUE(IsClassicStyleName("WINDOWS"));
    EXPECT_FALSE(IsClassicStyleName("Fusion"));
    EXPECT_FALSE(IsClassicStyleName("windowsvista"));
    EXPECT_EQ(GetWinVersionKind(), kWinNtOther);
}

} // namespace
