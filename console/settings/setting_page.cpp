#include "console/settings/setting_page.h"

#include "console/main_frame.h"
#include "engine/ini/language.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {

template <class Widget>
Widget& Required(QWidget* item, UINT id)
{
    auto* widget = qobject_cast<Widget*>(item);
    if (widget == nullptr)
        qFatal("Settings page: control %u is not of the kind its handler needs", id);
    return *widget;
}

} // namespace

CSettingPage::CSettingPage(CMainFrame& frame, const res::DialogTemplate& dialog, QWidget* parent)
    : QWidget(parent), frame_(frame), controls_(*this, dialog)
{
    setMinimumSize(controls_.FormSize());
}

CSettingPage::~CSettingPage() = default;

QLineEdit& CSettingPage::Edit(UINT id) const
{
    return Required<QLineEdit>(Item(id), id);
}

QCheckBox& CSettingPage::Box(UINT id) const
{
    return Required<QCheckBox>(Item(id), id);
}

QComboBox& CSettingPage::List(UINT id) const
{
    return Required<QComboBox>(Item(id), id);
}

QAbstractButton& CSettingPage::Button(UINT id) const
{
    return Required<QAbstractButton>(Item(id), id);
}

std::u16string CSettingPage::ItemText(UINT id) const
{
    QWidget* item = Item(id);
    if (auto* edit = qobject_cast<QLineEdit*>(item))
        return edit->text().toStdU16String();
    if (auto* label = qobject_cast<QLabel*>(item))
        return label->text().toStdU16String();
    if (auto* button = qobject_cast<QAbstractButton*>(item))
        return button->text().toStdU16String();
    return {};
}

void CSettingPage::SetItemText(UINT id, std::u16string_view text)
{
    const QString shown = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
    QWidget* item = Item(id);
    if (qobject_cast<QLineEdit*>(item) != nullptr) {
        PutBack(id, text);
        if (runningHandlers_.count(id) == 0)
            RunEditHandler(id);
    } else if (auto* label = qobject_cast<QLabel*>(item)) {
        label->setText(shown);
    } else if (auto* button = qobject_cast<QAbstractButton*>(item)) {
        button->setText(shown);
    } else if (auto* group = qobject_cast<QGroupBox*>(item)) {
        group->setTitle(shown);
    }
}

void CSettingPage::PutBack(UINT id, std::u16string_view text)
{
    QLineEdit& edit = Edit(id);
    const QSignalBlocker quiet(edit);
    edit.setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
}

void CSettingPage::EnableItems(std::initializer_list<UINT> ids, bool enable)
{
    for (UINT id : ids)
        if (QWidget* item = Item(id))
            item->setEnabled(enable);
}

void CSettingPage::SetCheck(UINT id, bool checked)
{
    QCheckBox& box = Box(id);
    const QSignalBlocker quiet(box);
    box.setChecked(checked);
}

bool CSettingPage::IsChecked(UINT id) const
{
    return Box(id).isChecked();
}

void CSettingPage::ReadLanguageSection()
{
    languageSection_ = frame_.ToolIni != nullptr ? LanguageSection(*frame_.ToolIni) : std::u16string();
}

std::u16string CSettingPage::Caption(std::u16string_view key, std::u16string_view english) const
{
    return frame_.ToolIni != nullptr ? frame_.ToolIni->GetString(languageSection_, key, english) : std::u16string(english);
}

void CSettingPage::SetCaption(UINT id, std::u16string_view key, std::u16string_view english)
{
    SetItemText(id, Caption(key, english));
}

void CSettingPage::SetCaptions(std::span<const CaptionItem> captions)
{
    for (const CaptionItem& caption : captions)
        SetCaption(caption.id, caption.key, caption.english);
}

void CSettingPage::OnEditChange(UINT id, std::function<void()> handler)
{
    editHandlers_[id] = std::move(handler);
    connect(&Edit(id), &QLineEdit::textEdited, this, [this, id] { RunEditHandler(id); });
}

void CSettingPage::OnClicked(UINT id, std::function<void()> handler)
{
    connect(&Button(id), &QAbstractButton::clicked, this, [handler = std::move(handler)] { handler(); });
}

void CSettingPage::OnSelChange(UINT id, std::function<void()> handler)
{
    connect(&List(id), &QComboBox::activated, this, [handler = std::move(handler)] { handler(); });
}

void CSettingPage::RunEditHandler(UINT id)
{
    auto found = editHandlers_.find(id);
    if (found == editHandlers_.end())
        return;
    runningHandlers_.insert(id);
    found->second();
    runningHandlers_.erase(id);
}
