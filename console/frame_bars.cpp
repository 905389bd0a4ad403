// The frame's status bar with its three counter panes, and the toolbar.
#include "console/main_frame.h"
#include "resources/icons.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "resources/toolbar.h"

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QLabel>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

constexpr int kPaneWidth = 100;
constexpr int kButtonSize = 68;
constexpr QRgb kTransparentColour = 0xFF00FF;

} // namespace

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setFont(QApplication::font());
    bar->showMessage(QString::fromUtf16(res::LoadStringResource(res::IDS_IDLE_MESSAGE).data()));
    const UINT ids[3] = {res::ID_INDICATOR_TOTAL, res::ID_INDICATOR_PASS, res::ID_INDICATOR_FAIL};
    for (int index = 0; index < 3; ++index) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QString::number(ids[index]));
        pane->setFixedWidth(kPaneWidth);
        pane->setToolTip(QString::fromUtf16(res::LoadStringResource(ids[index]).data()));
        bar->addPermanentWidget(pane);
        counterPanes_[index] = pane;
    }
}

void CMainFrame::CreateToolBar()
{
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QString::number(res::IDR_TOOLBAR));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->setIconSize(QSize(res::kIconSize, res::kIconSize));
    addToolBar(Qt::TopToolBarArea, toolBar_);
    for (const res::ToolbarButton& button : res::MainToolbar()) {
        QPixmap image = res::LoadBitmapResource(button.bitmap);
        image.setMask(image.createMaskFromColor(QColor(kTransparentColour), Qt::MaskInColor));
        QAction* action = toolBar_->addAction(QIcon(image), QString::fromUtf16(button.englishText));
        action->setData(button.command);
        connect(action, &QAction::triggered, this, [this, command = button.command] { OnCommand(command); });
        // At least the 68 x 68 of the template; wider where a caption needs it.
        toolBar_->widgetForAction(action)->setMinimumSize(kButtonSize, kButtonSize);
    }
}

void CMainFrame::ApplyToolbarLanguage(const std::u16string& section)
{
    const bool english = section == u"ENU";
    const QList<QAction*> actions = toolBar_->actions();
    std::size_t index = 0;
    for (const res::ToolbarButton& button : res::MainToolbar()) {
        std::u16string text = english ? std::u16string(button.englishText) : ToolIni->GetString(section, button.languageKey, button.englishText);
        actions[static_cast<qsizetype>(index++)]->setText(QString::fromStdU16String(text));
    }
}
