#include "controls/icon_menu.h"

#include "controls/icon_menu_style.h"
#include "resources/main_menu.h"

#include <QAction>

CIconMenu::CIconMenu(QWidget* parent) : QMenu(parent), style_(std::make_unique<CIconMenuStyle>(*this))
{
    setStyle(style_.get());
}

CIconMenu::~CIconMenu()
{
    DestroyMenuData();
}

void CIconMenu::DestroyMenuData()
{
    clear();
    for (CIconMenu* subMenu : subMenus_)
        delete subMenu;
    subMenus_.clear();
    items_.clear();
}

CIconMenu* CIconMenu::GetSubMenu(int position) const
{
    if (position < 0 || static_cast<std::size_t>(position) >= subMenus_.size())
        return nullptr;
    return subMenus_[static_cast<std::size_t>(position)];
}

BOOL CIconMenu::LoadMenu(UINT id)
{
    std::span<const res::MenuResourceItem> resource = res::FindMenuResource(id);
    if (resource.empty())
        return FALSE;
    DestroyMenuData();
    Append(resource);
    return TRUE;
}

// Every pop-up becomes a menu of its own, owned by the menu that holds it; every item is
// appended owner-drawn with its text, flags and id.
void CIconMenu::Append(std::span<const res::MenuResourceItem> level)
{
    for (const res::MenuResourceItem& entry : level) {
        auto item = std::make_unique<CIconMenuItem>();
        item->text = QString::fromUtf16(entry.text);
        item->id = entry.id;
        if (entry.id == res::kPopupItem) {
            item->flags = MF_POPUP;
            item->subMenu = new CIconMenu;
            item->subMenu->setTitle(item->text);
            item->subMenu->Append(entry.popup);
            subMenus_.push_back(item->subMenu);
            addMenu(item->subMenu);
        } else {
            addAction(item->text)->setData(entry.id);
        }
        items_.push_back(std::move(item));
    }
}
