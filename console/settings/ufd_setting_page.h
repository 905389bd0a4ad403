// The flash-drive settings page ("Basic Setting"): the per-step disable switches of the
// test procedure, the system-table build options, the bit-error threshold, the boot-code
// and firmware files, the USB and SCSI identity strings, the CIS LED bytes and system
// area, the serial-number generator, the log target and the password. Many of its control
// ids are the chip page's with other meanings, so it has handlers of its own; where a
// control means the same, it follows the chip page's rule. It keeps no copy of the
// record: every handler writes the main frame's record at once; keeping or undoing the
// edits is the business of the sheet's caller.
#pragma once

#include "console/settings/setting_page.h"
#include "console/settings/ufd_serial_number_block.h"
#include "engine/settings/cis_setting.h"

class CUFDSettingPageDlg : public CSettingPage {
    Q_OBJECT

public:
    CUFDSettingPageDlg(CMainFrame& frame, QWidget* parent);
    ~CUFDSettingPageDlg() override;

    void OnInitDialog() override;
    void DoDataExchange() override;
    std::u16string_view TabKey() const override { return u"BasicSetting"; }
    std::u16string_view TabEnglish() const override { return u"Basic Setting"; }
    std::optional<ULONGLONG> SerialNumberWritten() const override { return serial_.SerialNumberWritten(); }

    // The lists and the translated captions.
    void LoadBasicSettingTexts();
    // Every control from the record.
    void ExchangeBasicSettings();

    UfdSerialNumberBlock& SerialBlock() { return serial_; }

private:
    void ConnectHandlers();
    void ShowTestProcedure();
    // "Force First Build" to "Dump Memory" and the bit-error list, greyed while the
    // system-table build is disabled.
    void EnableBuildOptions(bool enable);

    // The test-procedure switch `id` into its TestProcedureMask bit.
    void OnTestStepSwitch(UINT id, DWORD bit);
    void OnBuildSystemDisable();
    void OnBitErrorRateChanged();

    // An open-file dialog for a ".bin" file into `path`, shown whole in `edit`.
    void OnChooseFile(PackedString CISSetting::*path, UINT edit);
    void OnBackupFirmware();

    UfdSerialNumberBlock serial_;
};
