// The chip-mode settings page ("Basic Setting"): firmware and hub-firmware files, the
// test-procedure switches, the USB and SCSI identity strings, the serial-number block,
// the CIS LED bytes and system area, the log target, the password, the station switches
// and the backup button. It keeps no copy of the record: every handler writes the main
// frame's record at once, so the record always holds what the page shows; keeping or
// undoing the edits is the business of the sheet's caller.
#pragma once

#include "console/settings/serial_number_block.h"
#include "console/settings/setting_file_choosers.h"
#include "console/settings/setting_page.h"

class CUSDSettingPageDlg : public CSettingPage {
    Q_OBJECT

public:
    CUSDSettingPageDlg(CMainFrame& frame, QWidget* parent);
    ~CUSDSettingPageDlg() override;

    void OnInitDialog() override;
    void DoDataExchange() override;
    std::u16string_view TabKey() const override { return u"BasicSetting"; }
    std::u16string_view TabEnglish() const override { return u"Basic Setting"; }
    std::optional<ULONGLONG> SerialNumberWritten() const override { return serial_.SerialNumberWritten(); }

    // The two lists and the translated captions.
    void LoadBasicSettingTexts();
    // Every control from the record.
    void ExchangeBasicSettings();
    void UpdateSNControls() { serial_.Update(); }
    // The backup button: a combined hub image, or the firmware backup of the chip.
    void OnBackupFirmware();

    SerialNumberBlock& SerialBlock() { return serial_; }

private:
    void ConnectHandlers();
    void ShowTestProcedure();
    void ShowFirmwareVersions();
    void ShowBinFileVersion();
    // The MaxLun edit (whose handler fills the LUN list) and the LUN shown.
    void ShowMaxLun();
    void FillLunList();
    void ShowLun();
    int LunShown() const;

    void OnFwDownloadDisable();
    void OnCisDownloadDisable();
    void OnFormatDisable();
    void OnStressTestDisable();
    void OnMedia(UINT id, INT media);
    void OnFilterDriver();
    void OnAutoRun();
    void OnTestDataSizeChanged();
    void OnMaxLunChanged();
    void OnLunFieldChanged(UINT id);

    void OnChooseFirmware();
    void OnFirmwareFileShown();
    void OnChooseHubFirmware();
    void OnHubFirmwareFileShown();
    // The firmware file choosers start in the program's folder with FabrunMode bit 0x80,
    // and their edits then show only the file's name (else the whole path).
    bool ProgramFolderChoosers() const;
    std::optional<ChosenFile> ChooseFirmwareFile() const;
    std::u16string ShownName(const ChosenFile& chosen) const;

    SerialNumberBlock serial_;
};
