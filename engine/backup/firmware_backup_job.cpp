#include "engine/backup/firmware_backup_job.h"

#include "engine/backup/operator_message.h"
#include "engine/chipworker/chip_access.h"
#include "engine/chipworker/chip_jobs.h"
#include "engine/chipworker/hub_high_z.h"
#include "engine/spi/spi_procedures.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "platform/shell/copy_file.h"
#include "platform/text/text.h"

namespace {

constexpr int BackupRestartTries = 10;
constexpr BYTE ModeFirmwareBackup = 0;
constexpr BYTE ModeWholeFlashBackup = 8;

void BackUpWholeFlash(BYTE value)
{
    BYTE setup[8] = {};
    if (AccessDevice(ModeWholeFlashBackup, setup, u"", 0, 0, value) == SpiResult::Ok)
        ShowBackupMessage(u"Get <BackUpWholeSPIx__K.BIN> From Device OK");
    else
        ShowBackupMessage(u"BackUp Whole SPI From Device Fail");
}

// The copy to the chosen file; a failure is reported as a failed backup.
bool CopyToChosenFile(const std::u16string& backup, const std::u16string& chosen)
{
    if (chosen.empty())
        return true;
    if (CopyFileW(backup.c_str(), chosen.c_str(), FALSE))
        return true;
    platform::DebugPrintf("  Copy %s to %s Fail", platform::WideToAnsi(backup).c_str(), platform::WideToAnsi(chosen).c_str());
    return false;
}

} // namespace

bool BackUpFirmwareFromDevice(const MainFrameSettings& settings)
{
    const CISSetting& setting = settings.CisSetting;
    if (!RestartUntilReady(BackupRestartTries)) {
        ShowBackupMessage(BackupCaption(settings, u"Restart Device Fail", u"Restart Device Fail"));
        return false;
    }
    WriteChipRegister(0x15, 0x7F);
    WriteChipRegister(0x19, 0x00);
    WriteChipRegister(0x1C, 0x02);
    SearchHubsSetHighZ();
    if (setting.BackUpWholeSPIx32K != 0)
        BackUpWholeFlash(setting.BackUpWholeSPIx32K);

    const std::u16string programFolder = settings.ProgramDrive + settings.ProgramFolder;
    BYTE setup[8] = {};
    const bool backedUp = AccessDevice(ModeFirmwareBackup, setup, programFolder, 0, 0, 0) == SpiResult::Ok &&
                          CopyToChosenFile(programFolder + u"BackUpFW.BIN", setting.FilePathOfFWBackup.str());
    if (backedUp)
        ShowBackupMessage(BackupCaption(settings, u"BackupFirmwareSuccess", u"Backup Firmware Success "), MB_ICONINFORMATION);
    else
        ShowBackupMessage(BackupCaption(settings, u"BackupFirmwareFail", u"Backup Firmware Fail"));
    return backedUp;
}
