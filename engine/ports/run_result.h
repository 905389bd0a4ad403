// Run results of the port workers: every step and every worker ends in one of these codes,
// and the result logs write the code's fixed text.
#pragma once

#include <cstdint>
#include <string>

namespace RunResult {

enum Code : std::int32_t {
    Fail = 0, // chip mode
    Success = 1,
    Stopped = 2, // by the operator
    OpenFirmwareFileFail = 3,
    ReadFirmwareFileFail = 4,
    FirmwareIcMismatch = 5,
    FirmwareDownloadFail = 6,
    FirmwareUploadFail = 7,
    FirmwareCompareFail = 8, // retried by the flash-drive worker
    EepromDownloadFail = 9,
    EepromUploadFail = 10,
    SerialNumberFail = 11,
    EepromCompareFail = 12, // retried by the flash-drive worker
    OpenFormatImageFail = 13,
    WritePublicLunImageFail = 14,
    WriteSecurityLunImageFail = 15,
    WriteIso9660LunImageFail = 16,
    WriteHiddenLunImageFail = 17,
    PublicLunFormatFail = 18,
    SecurityLunFormatFail = 19,
    Iso9660LunFormatFail = 20,
    HiddenLunFormatFail = 21,
    CisAddressNotFound = 22,
    IspAddressNotFound = 23,
    StressTestFail = 24,
    ScanBlockOnly = 25, // a note, posted as Success
    SuccessRedo = 27,   // shown as "Redo it again!!"
    OpenBootCodeFileFail = 28,
    ReadBootCodeFileFail = 29,
    BootCodeDownloadFail = 30,
    BootCodeUploadFail = 31,
    BootCodeCompareFail = 32,
    EepromEraseFail = 33,
    InitIspFail = 34,
    CpuResetFail = 35,
    BuildSystemTableFail = 36, // retried by the flash-drive worker
    ScanBlockFail = 37,
    FormatImageTypeMismatch = 38,
    CapacityBelowSetting = 39, // a warning: the run goes on
    FormatSizeAboveCapacity = 40,
    ReadCapacityFail = 41,
    CapacityMismatch = 42,
    FlashTypeNotSupported = 43,
    ReadHdSerialFail = 44,
    FlashDataEmpty = 48,
};

} // namespace RunResult

// Sets `text` to the code's fixed text; a code without one leaves `text` as it is. Returns 1.
int GetResultMessage(std::int32_t code, std::u16string& text);
