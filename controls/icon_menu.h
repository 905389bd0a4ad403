// The owner-drawn menu: a menu whose items draw themselves (icon column from the menu's
// image list, text, accelerator, check marks, separators) in the classic or the flat
// look. It is the drop-down menu of the icon button; menus are loaded from the menu
// resources, by id or by name, with the flags of their items.
#pragma once

#include "platform/base/wintypes.h"
#include "resources/main_menu.h"

#include <QMenu>
#include <QPixmap>
#include <QRgb>
#include <QString>

#include <memory>
#include <span>
#include <string_view>
#include <vector>

class QAction;
class QImage;
class QStyleOptionMenuItem;
class CIconMenuStyle;

class CIconMenu;

struct CIconMenuItem {
    QString text; // the accelerator text follows the last TAB
    UINT flags = 0;
    UINT id = 0;
    CIconMenu* subMenu = nullptr;
    int image = -1;            // in the image list of the menu that set it; -1 none
    QAction* action = nullptr; // what the menu shows for the item
};

class CIconMenu : public QMenu {
    Q_OBJECT

public:
    explicit CIconMenu(QWidget* parent = nullptr);
    ~CIconMenu() override;

    // Replace the contents with the menu resource of that id or name ("#128" names id
    // 128); FALSE, keeping the contents, when there is none.
    BOOL LoadMenu(UINT id);
    BOOL LoadMenu(std::u16string_view name);
    void DestroyMenuData();

    const std::vector<std::unique_ptr<CIconMenuItem>>& Items() const { return items_; }
    // The sub-menu of the n-th pop-up item, or nullptr.
    CIconMenu* GetSubMenu(int position) const;

    // Adds the icon-sized images of `strip`, a row of them on the transparent colour, to
    // the menu's image list. The index of the first, or -1 when the strip holds none.
    int AddImages(const QImage& strip);
    int ImageCount() const { return static_cast<int>(images_.size()); }
    // Shows image `image` of this menu's list (-1: none) beside the item of command `id`,
    // here or in a sub-menu. FALSE when no item has the id or the list no such image.
    BOOL SetItemImage(UINT id, int image);

    // The size of an item as it is drawn.
    QSize MeasureItem(const CIconMenuItem& item) const;
    void DrawItem(QPainter& painter, const QStyleOptionMenuItem& option) const;

    int IconWidth() const { return iconWidth_; }
    int IconHeight() const { return iconHeight_; }
    QRgb TransparentColour() const { return transparent_; }

private:
    BOOL Load(std::span<const res::MenuResourceItem> resource);
    void Append(std::span<const res::MenuResourceItem> level);
    CIconMenuItem* FindItem(UINT id) const;
    void DrawIcon(QPainter& painter, const QRect& box, const QStyleOptionMenuItem& option) const;

    std::vector<std::unique_ptr<CIconMenuItem>> items_;
    std::vector<CIconMenu*> subMenus_;
    int iconWidth_ = 16;
    int iconHeight_ = 15;
    QRgb transparent_ = qRgb(0xC0, 0xC0, 0xC0);
    std::vector<QPixmap> images_;
    std::unique_ptr<CIconMenuStyle> style_;
};
