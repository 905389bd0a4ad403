// Drives a settings page as the operator does: typing into an edit, clicking, choosing
// from a list; and reads what its controls show.
#pragma once

#include "console/settings/setting_page.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <algorithm>
#include <string>

class SettingPageDriver {
protected:
    virtual ~SettingPageDriver() = default;
    virtual CSettingPage& DrivenPage() const = 0;

    // The edit's whole text replaced key by key.
    void Type(UINT id, const std::u16string& text)
    {
        QLineEdit& edit = DrivenPage().Edit(id);
        if (std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0x7E; })) {
            // The test library types only ASCII keys: the rest arrives as one edit.
            edit.setText(QString::fromStdU16String(text));
            Q_EMIT edit.textEdited(edit.text());
            return;
        }
        edit.selectAll();
        if (text.empty())
            QTest::keyClick(&edit, Qt::Key_Delete);
        else
            QTest::keyClicks(&edit, QString::fromStdU16String(text));
    }
    void Click(UINT id) { DrivenPage().Button(id).click(); }
    void Choose(UINT id, int index)
    {
        QComboBox& list = DrivenPage().List(id);
        list.setCurrentIndex(index);
        Q_EMIT list.activated(index);
    }
    std::u16string Text(UINT id) const { return DrivenPage().ItemText(id); }
    bool Enabled(UINT id) const { return DrivenPage().Item(id)->isEnabled(); }
    bool Checked(UINT id) const { return DrivenPage().IsChecked(id); }
};
