// The owner-drawn menu: what it loads, how large its items are in each look, and where
// it draws the selection.
#include "controls/icon_menu.h"
#include "controls/menu_colours.h"
#include "controls/theme.h"

#include <QApplication>
#include <QFontMetrics>
#include <QAction>
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

constexpr res::MenuResourceItem kPortItems[] = {
    {u"&Start", 4301},
    {u"S&top", 4302, {}, MF_GRAYED},
    {u"", 0},
    {u"&Automatic", 4303, {}, MF_CHECKED},
    {u"&Off", 4304, {}, MF_DISABLED | MF_CHECKED},
};
constexpr res::MenuResourceItem kPortMenu[] = {{u"&Port", res::kPopupItem, kPortItems}};
// This program's own menus beside the station's.
constexpr res::MenuResource kTestMenus[] = {{4300, u"PORTMENU", kPortMenu}, {0, u"NamedOnly", kPortItems}};
const bool kTestMenusAdded = (res::AddMenuResources(kTestMenus), true);

TEST(IconMenu, LoadsByNameAsById)
{
    ASSERT_TRUE(kTestMenusAdded);
    struct NameCase {
        const char16_t* name;
        const char* title; // of the first pop-up; nullptr: nothing loads
    };
    const NameCase cases[] = {
        {u"#128", "&Function"}, {u"PORTMENU", "&Port"}, {u"portMenu", "&Port"}, {u"#4300", "&Port"},
        {u"#0004300", "&Port"},   {u"#4711", nullptr},    {u"#", nullptr},          {u"#43x0", nullptr},
        {u"#69836", nullptr},   {u"", nullptr},         {u"#0", nullptr},         {u"PORT", nullptr},
    };
    for (const NameCase& c : cases) {
        const std::u16string name = c.name;
        CIconMenu menu;
        ASSERT_TRUE(menu.LoadMenu(4300));
        EXPECT_EQ(menu.LoadMenu(name) != FALSE, c.title != nullptr) << QString::fromStdU16String(name).toStdString();
        ASSERT_NE(menu.GetSubMenu(0), nullptr) << "a name that finds nothing keeps the contents";
        EXPECT_EQ(menu.GetSubMenu(0)->title(), QString::fromLatin1(c.title != nullptr ? c.title : "&Port"));
    }
    CIconMenu named;
    ASSERT_TRUE(named.LoadMenu(u"namedonly"));
    EXPECT_EQ(named.Items().size(), 5u);
}

TEST(IconMenu, ItemsCarryTheFlagsOfTheResource)
{
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(4300));
    ASSERT_EQ(menu.Items().size(), 1u);
    EXPECT_EQ(menu.Items()[0]->flags, MF_POPUP);
    CIconMenu* port = menu.GetSubMenu(0);
    ASSERT_NE(port, nullptr);
    struct FlagCase {
        UINT id;
        UINT flags;
        bool enabled, checked, separator;
    };
    const FlagCase cases[] = {
        {4301, 0, true, false, false},
        {4302, MF_GRAYED, false, false, false},
        {0, MF_SEPARATOR, true, false, true},
        {4303, MF_CHECKED, true, true, false},
        {4304, MF_DISABLED | MF_CHECKED, false, true, false},
    };
    ASSERT_EQ(port->Items().size(), std::size(cases));
    ASSERT_EQ(port->actions().size(), static_cast<qsizetype>(std::size(cases)));
    for (std::size_t n = 0; n < std::size(cases); ++n) {
        const CIconMenuItem& item = *port->Items()[n];
        const FlagCase& c = cases[n];
        EXPECT_EQ(item.id, c.id) << n;
        EXPECT_EQ(item.flags, c.flags) << n;
        ASSERT_EQ(item.action, port->actions()[static_cast<qsizetype>(n)]) << n;
        EXPECT_EQ(item.action->isEnabled(), c.enabled) << n;
        EXPECT_EQ(item.action->isChecked(), c.checked) << n;
        EXPECT_EQ(item.action->isSeparator(), c.separator) << n;
    }
}

// A strip of two 16 x 15 images on the transparent colour: a red square, a blue one.
QImage TwoSquares()
{
    QImage strip(32, 15, QImage::Format_RGB32);
    strip.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter painter(&strip);
    painter.fillRect(2, 2, 12, 11, Qt::red);
    painter.fillRect(18, 2, 12, 11, Qt::blue);
    return strip;
}

TEST(IconMenu, ImageListTakesIconSizedImagesAndItemsShowThem)
{
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(4300));
    EXPECT_EQ(menu.AddImages(TwoSquares()), 0);
    EXPECT_EQ(menu.AddImages(TwoSquares()), 2);
    EXPECT_EQ(menu.ImageCount(), 4);
    EXPECT_EQ(menu.AddImages(QImage(15, 15, QImage::Format_RGB32)), -1) << "narrower than one image";
    EXPECT_EQ(menu.AddImages(QImage(32, 14, QImage::Format_RGB32)), -1) << "lower than one image";

    EXPECT_TRUE(menu.SetItemImage(4302, 1)) << "an item of the sub-menu";
    EXPECT_EQ(menu.GetSubMenu(0)->Items()[1]->image, 1);
    EXPECT_FALSE(menu.GetSubMenu(0)->Items()[1]->action->icon().isNull());
    EXPECT_FALSE(menu.SetItemImage(4711, 0)) << "no such item";
    EXPECT_FALSE(menu.SetItemImage(4301, 4)) << "no such image";
    EXPECT_TRUE(menu.SetItemImage(4302, -1));
    EXPECT_TRUE(menu.GetSubMenu(0)->Items()[1]->action->icon().isNull());
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

struct IconCase {
    int version;
    bool enabled;
    bool blue; // the image's own colour, else its gray copy
};

// The item's image sits in the middle of the icon column, its transparent colour showing
// the menu behind it; a disabled item shows the gray copy.
TEST_F(MenuLook, ItemImagesInTheIconColumnOfEachLook)
{
    CIconMenu menu;
    ASSERT_TRUE(menu.LoadMenu(4300));
    ASSERT_EQ(menu.AddImages(TwoSquares()), 0);
    ASSERT_TRUE(menu.SetItemImage(4301, 1));
    const QIcon icon = menu.GetSubMenu(0)->Items()[0]->action->icon();
    const IconCase cases[] = {{kWinNtOther, true, true}, {kWinNtOther, false, false}, {kWinXp, true, true}, {kWinXp, false, false}};
    for (const IconCase& c : cases) {
        MenuWinVersion = c.version;
        QImage image(200, 24, QImage::Format_RGB32);
        QStyleOptionMenuItem option;
        option.rect = image.rect();
        option.text = QStringLiteral("&Start");
        option.menuItemType = QStyleOptionMenuItem::Normal;
        option.state = c.enabled ? QStyle::State_Enabled : QStyle::State_None;
        option.palette = QApplication::palette();
        option.icon = icon;
        QPainter painter(&image);
        menu.DrawItem(painter, option);
        painter.end();
        const int column = 16 + (c.version == kWinXp ? 7 : 4);
        const QPoint origin((column - 16) / 2, (24 - 15) / 2); // the image's top left
        const QColor middle = image.pixelColor(origin + QPoint(8, 7));
        if (c.blue) {
            EXPECT_EQ(middle, QColor(Qt::blue)) << c.version;
        } else {
            EXPECT_TRUE(middle.red() == middle.green() && middle.green() == middle.blue() && middle != QColor(Qt::blue))
                << c.version << ": gray";
        }
        EXPECT_EQ(image.pixelColor(origin), option.palette.color(QPalette::Window)) << c.version << ": transparent";
    }
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
