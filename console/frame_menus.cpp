// The frame's menu and accelerators, the translation of the menu texts, and the captions
// of the port view's tiles.
#include "console/main_frame.h"
#include "console/port_view/port_view.h"
#include "console/port_view/port_view_factory.h"
#include "engine/ini/language.h"
#include "resources/main_menu.h"
#include "resources/resource_ids.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QMenuBar>
#include <QShortcut>

#include <algorithm>
#include <functional>

namespace {

struct DeviceNumberItem {
    UINT command;
    int ports;
};

constexpr DeviceNumberItem kDeviceNumbers[] = {
    {res::ID_DEVICE_NUMBER_1, 1}, {res::ID_DEVICE_NUMBER_4, 4},   {res::ID_DEVICE_NUMBER_8, 8},
    {res::ID_DEVICE_NUMBER_16, 16}, {res::ID_DEVICE_NUMBER_32, 32},
};

} // namespace

void CMainFrame::CreateMenus()
{
    std::function<void(QMenu&, std::span<const res::MenuResourceItem>)> fill = [&](QMenu& menu, auto items) {
        for (const res::MenuResourceItem& item : items) {
            if (item.id == res::kPopupItem) {
                fill(*menu.addMenu(QString::fromUtf16(item.text)), item.popup);
                continue;
            }
            QAction* action = menu.addAction(QString::fromUtf16(item.text));
            action->setData(item.id);
            connect(action, &QAction::triggered, this, [this, command = item.id] { OnCommand(command); });
        }
    };
    for (const res::MenuResourceItem& top : res::FindMenuResource(res::IDR_MAINFRAME))
        fill(*menuBar()->addMenu(QString::fromUtf16(top.text)), top.popup);
    for (const res::Accelerator& accelerator : res::MainAccelerators())
        connect(new QShortcut(QKeySequence(QString::fromLatin1(accelerator.keys)), this), &QShortcut::activated, this,
                [this, command = accelerator.command] { OnCommand(command); });

    for (UINT bar : {res::ID_VIEW_TOOLBAR, res::ID_VIEW_STATUS_BAR}) {
        CommandAction(bar)->setCheckable(true);
        CommandAction(bar)->setChecked(true);
    }
    for (const DeviceNumberItem& item : kDeviceNumbers) {
        QAction* action = CommandAction(item.command);
        action->setCheckable(true);
        // An item without a view of its size is greyed.
        action->setEnabled(PortViewAvailable(item.ports));
    }
    UpdateDeviceNumberChecks();
    ApplyMenuLanguage(menuBar()->actions(), LanguageSection(*ToolIni));
}

QMenu* CMainFrame::FrameMenu(int position) const
{
    const QList<QAction*> menus = menuBar()->actions();
    return position >= 0 && position < menus.size() ? menus[position]->menu() : nullptr;
}

QAction* CMainFrame::CommandAction(UINT command) const
{
    for (QAction* action : menuBar()->findChildren<QAction*>())
        if (action->data().isValid() && action->data().toUInt() == command)
            return action;
    return nullptr;
}

// Keys are the item texts themselves; a command's TAB is written "_" in its key, and a
// "_" in its translation shows as a TAB.
void CMainFrame::ApplyMenuLanguage(const QList<QAction*>& items, const std::u16string& section)
{
    for (QAction* item : items) {
        if (item->isSeparator())
            continue;
        const std::u16string text = item->text().toStdU16String();
        if (QMenu* popup = item->menu()) {
            item->setText(QString::fromStdU16String(ToolIni->GetString(section, text, text)));
            ApplyMenuLanguage(popup->actions(), section);
            continue;
        }
        std::u16string key = text;
        std::replace(key.begin(), key.end(), u'\t', u'_');
        std::u16string translated = ToolIni->GetString(section, key, key);
        std::replace(translated.begin(), translated.end(), u'_', u'\t');
        item->setText(QString::fromStdU16String(translated));
        if (item->data().toUInt() == res::ID_DEVICE_NUMBER_32 && (FabrunMode & kFabrunModeOnlyOneDevice) != 0)
            inertCommands_ = {res::ID_DEVICE_NUMBER_4, res::ID_DEVICE_NUMBER_8, res::ID_DEVICE_NUMBER_16, res::ID_DEVICE_NUMBER_32};
    }
}

void CMainFrame::UpdateDeviceNumberChecks()
{
    for (const DeviceNumberItem& item : kDeviceNumbers)
        CommandAction(item.command)->setChecked(DevNoView == item.ports);
}

// With a language other than "ENU", each tile's group box is the word for "Device" with
// the port number after it, and its box the word for "Disable".
void CMainFrame::InitDevView(const std::u16string& section)
{
    if (section == u"ENU")
        return;
    const QString device = QString::fromStdU16String(ToolIni->GetString(section, u"Device", u"Device"));
    const QString disable = QString::fromStdU16String(ToolIni->GetString(section, u"Disable", u"Disable"));
    for (int port = 0; port < portView_->PortCount(); ++port) {
        portView_->PortGroup(port).setTitle(device + QString::number(port + 1));
        portView_->DisableBox(port).setText(disable);
    }
}
