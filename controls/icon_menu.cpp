#include "controls/icon_menu.h"

#include "controls/icon_images.h"
#include "controls/icon_menu_style.h"

#include <QAction>
#include <QIcon>
#include <QImage>

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

// By id and by name, one body.
BOOL CIconMenu::LoadMenu(UINT id)
{
    return Load(res::FindMenuResource(id));
}

BOOL CIconMenu::LoadMenu(std::u16string_view name)
{
    return Load(res::FindMenuResource(name));
}

BOOL CIconMenu::Load(std::span<const res::MenuResourceItem> resource)
{
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
        item->text = QString::fromUtf16(entry.text != nullptr ? entry.text : u"");
        item->id = entry.id;
        item->flags = entry.flags;
        if (entry.id == res::kPopupItem) {
            item->flags |= MF_POPUP;
            item->subMenu = new CIconMenu;
            item->subMenu->setTitle(item->text);
            item->subMenu->Append(entry.popup);
            subMenus_.push_back(item->subMenu);
            item->action = addMenu(item->subMenu);
        } else if ((entry.flags & MF_SEPARATOR) != 0 || (entry.id == 0 && item->text.isEmpty())) {
            item->flags |= MF_SEPARATOR;
            item->action = addSeparator();
        } else {
            item->action = addAction(item->text);
            item->action->setData(entry.id);
        }
        item->action->setEnabled((item->flags & (MF_GRAYED | MF_DISABLED)) == 0);
        if ((item->flags & MF_CHECKED) != 0) {
            item->action->setCheckable(true);
            item->action->setChecked(true);
        }
        items_.push_back(std::move(item));
    }
}

int CIconMenu::AddImages(const QImage& strip)
{
    const int count = strip.height() >= iconHeight_ ? strip.width() / iconWidth_ : 0;
    if (count == 0)
        return -1;
    const int first = ImageCount();
    const QImage source = strip.convertToFormat(QImage::Format_ARGB32);
    for (int n = 0; n < count; ++n) {
        QImage image = source.copy(n * iconWidth_, 0, iconWidth_, iconHeight_);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                if ((line[x] & 0x00FFFFFF) == (transparent_ & 0x00FFFFFF))
                    line[x] = 0;
        }
        images_.push_back(QPixmap::fromImage(image));
    }
    return first;
}

CIconMenuItem* CIconMenu::FindItem(UINT id) const
{
    for (const auto& item : items_) {
        if (item->id == id && (item->flags & (MF_POPUP | MF_SEPARATOR)) == 0)
            return item.get();
        if (item->subMenu != nullptr)
            if (CIconMenuItem* found = item->subMenu->FindItem(id))
                return found;
    }
    return nullptr;
}

BOOL CIconMenu::SetItemImage(UINT id, int image)
{
    CIconMenuItem* item = FindItem(id);
    if (item == nullptr || image < -1 || image >= ImageCount())
        return FALSE;
    item->image = image;
    QIcon icon;
    if (image >= 0) {
        const QPixmap& pixmap = images_[static_cast<std::size_t>(image)];
        icon.addPixmap(pixmap, QIcon::Normal);
        // A disabled item shows a gray copy.
        icon.addPixmap(CreateGrayscaleIcon(pixmap), QIcon::Disabled);
    }
    item->action->setIcon(icon);
    item->action->setIconVisibleInMenu(image >= 0);
    return TRUE;
}
