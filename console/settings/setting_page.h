// What the mode pages of the settings sheet share: controls built from a dialog template,
// captions in the operator's language, and change notifications as the pages rely on
// them. An edit reports a change both when the operator edits it and when the page sets
// its text (SetItemText), so that filling the page runs the handlers of the filled
// fields; a handler that puts text back into its own edit is not run again for it. Check
// boxes and lists report only the operator's clicks and choices.
#pragma once

#include "console/port_view/dialog_builder.h"

#include <QWidget>

#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>

// FabrunMode bits that change the settings pages.
constexpr DWORD kFabrunModeSerialTextFiles = 0x04;  // a folder of result files instead of a log file
constexpr DWORD kFabrunModeProgramFolder = 0x80;    // system fields hidden; choosers start in the program folder
constexpr DWORD kFabrunModeCisSwitchFree = 0x1000;  // "CIS Download disable" independent of the firmware switch

// A control's caption: its key in the language section and its English text.
struct CaptionItem {
    UINT id;
    const char16_t* key;
    const char16_t* english;
};

class CMainFrame;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CSettingPage : public QWidget {
    Q_OBJECT

public:
    CSettingPage(CMainFrame& frame, const res::DialogTemplate& dialog, QWidget* parent);
    ~CSettingPage() override;

    // Builds the captions and lists and shows the record, once, before the page is shown.
    virtual void OnInitDialog() = 0;
    // Shows the record again (after the sheet loaded another settings file).
    virtual void DoDataExchange() = 0;
    // The tab's caption key and English text.
    virtual std::u16string_view TabKey() const = 0;
    virtual std::u16string_view TabEnglish() const = 0;
    // The serial number the page wrote last, if it wrote one.
    virtual std::optional<ULONGLONG> SerialNumberWritten() const { return std::nullopt; }

    QWidget* Item(UINT id) const { return controls_.Item(id); }
    QLineEdit& Edit(UINT id) const;
    QCheckBox& Box(UINT id) const;
    QComboBox& List(UINT id) const;
    QAbstractButton& Button(UINT id) const;

    std::u16string ItemText(UINT id) const;
    // The edit's text as the page sets it: its change handler runs, unless it is the one
    // running now. Other controls just show the text.
    void SetItemText(UINT id, std::u16string_view text);
    // Puts text back into an edit without reporting it.
    void PutBack(UINT id, std::u16string_view text);

    void EnableItems(std::initializer_list<UINT> ids, bool enable);
    void SetCheck(UINT id, bool checked);
    bool IsChecked(UINT id) const;

    // The caption of `key` in the language section read for this page, or `english`.
    std::u16string Caption(std::u16string_view key, std::u16string_view english) const;
    void SetCaption(UINT id, std::u16string_view key, std::u16string_view english);
    void SetCaptions(std::span<const CaptionItem> captions);

    CMainFrame& Frame() const { return frame_; }

    // The handlers of the operator's changes (and, for edits, of the page's own).
    void OnEditChange(UINT id, std::function<void()> handler);
    void OnClicked(UINT id, std::function<void()> handler);
    void OnSelChange(UINT id, std::function<void()> handler);

protected:
    // Reads the language section once; later captions use it.
    void ReadLanguageSection();

    CMainFrame& frame_;
    DialogControls controls_;

private:
    void RunEditHandler(UINT id);

    std::u16string languageSection_;
    std::map<UINT, std::function<void()>> editHandlers_;
    std::set<UINT> runningHandlers_;
};
