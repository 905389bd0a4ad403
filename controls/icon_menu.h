// The owner-drawn menu: a menu whose items draw themselves (text, accelerator, check
// marks, separators) in the classic or the flat look. It is the drop-down menu of the
// icon button; menus are loaded from the program's menu resources.
#pragma once

#include "platform/base/wintypes.h"

#include <QMenu>
#include <QString>

#include <memory>
#include <span>
#include <vector>

namespace res {
struct MenuResourceItem;
}

class QStyleOptionMenuItem;
class CIconMenuStyle;

constexpr UINT MF_GRAYED = 0x1;
constexpr UINT MF_DISABLED = 0x2;
constexpr UINT MF_CHECKED = 0x8;
constexpr UINT MF_POPUP = 0x10;
constexpr UINT MF_SEPARATOR = 0x800;

class CIconMenu;

struct CIconMenuItem {
    QString text; // the accelerator text follows the last TAB
    UINT flags = 0;
    UINT id = 0;
    CIconMenu* subMenu = nullptr;
};

class CIconMenu : public QMenu {
    Q_OBJECT

public:
    explicit CIconMenu(QWidget* parent = nullptr);
    ~CIconMenu() override;

    // Replaces the contents with menu resource `id`; FALSE when there is none.
    BOOL LoadMenu(UINT id);
    void DestroyMenuData();

    const std::vector<std::unique_ptr<CIconMenuItem>>& Items() const { return items_; }
    // The sub-menu of the n-th pop-up item, or nullptr.
    CIconMenu* GetSubMenu(int position) const;

    // The size of an item as it is drawn.
    QSize MeasureItem(const CIconMenuItem& item) const;
    void DrawItem(QPainter& painter, const QStyleOptionMenuItem& option) const;

    int IconWidth() const { return iconWidth_; }
    int IconHeight() const { return iconHeight_; }

private:
    void Append(std::span<const res::MenuResourceItem> level);

    std::vector<std::unique_ptr<CIconMenuItem>> items_;
    std::vector<CIconMenu*> subMenus_;
    int iconWidth_ = 16;
    int iconHeight_ = 15;
    std::unique_ptr<CIconMenuStyle> style_;
};
