#include "engine/ports/run_result.h"

namespace {

struct ResultText {
    std::int32_t code;
    const char16_t* text;
};

// Written into the result logs as they stand, spelling included.
constexpr ResultText kResultTexts[] = {
    {RunResult::Success, u"Run Success"},
    {RunResult::OpenFirmwareFileFail, u"Error: Open Firmware File fail"},
    {RunResult::ReadFirmwareFileFail, u"Error: Read Fimware File fail"},
    {RunResult::FirmwareIcMismatch, u"Error: Firmware and IC not Match"},
    {RunResult::FirmwareDownloadFail, u"Error: Firmware DownLoad fail"},
    {RunResult::FirmwareUploadFail, u"Error: Firmware  UpLoad fail"},
    {RunResult::FirmwareCompareFail, u"Error: Firmware Compare fail"},
    {RunResult::EepromDownloadFail, u"Error: EEPROM DownLoad fail"},
    {RunResult::EepromUploadFail, u"Error: EEPROM UpLoad fail"},
    {RunResult::SerialNumberFail, u"Error: Serial Number Generater fail"},
    {RunResult::EepromCompareFail, u"Error: EEPROM Compare fail"},
    {RunResult::OpenFormatImageFail, u"Error: Open Format Image fail"},
    {RunResult::WritePublicLunImageFail, u"Error: Write Public Lun Image fail"},
    {RunResult::WriteSecurityLunImageFail, u"Error: Write Security Lun Image fail"},
    {RunResult::WriteIso9660LunImageFail, u"Error: Write ISO9660 Lun Image fail"},
    {RunResult::WriteHiddenLunImageFail, u"Error: Write Hidden Lun Image fail"},
    {RunResult::PublicLunFormatFail, u"Error: Public Lun NTFS format fail"},
    {RunResult::SecurityLunFormatFail, u"Error: Security Lun NTFS format fail"},
    {RunResult::Iso9660LunFormatFail, u"Error: Iso9660 Lun NTFS format fail"},
    {RunResult::HiddenLunFormatFail, u"Error: Hidden Lun NTFS format fail"},
    {RunResult::CisAddressNotFound, u"Error: CIS Address not find"},
    {RunResult::IspAddressNotFound, u"Error: ISP Address not find"},
    {RunResult::StressTestFail, u"Error: Stress Test fail"},
    {RunResult::ScanBlockOnly, u"Note: Only Execute Scan Block Function"},
    {RunResult::OpenBootCodeFileFail, u"Error: Open Boot Code File fail"},
    {RunResult::ReadBootCodeFileFail, u"Error: Read Boot Code File fail"},
    {RunResult::BootCodeDownloadFail, u"Error: Boot Code DownLoad fail"},
    {RunResult::BootCodeUploadFail, u"Error: Boot Code UpLoad fail"},
    {RunResult::BootCodeCompareFail, u"Error: Boot Code Compare fail"},
    {RunResult::EepromEraseFail, u"Error: EEPROM Erase fail"},
    {RunResult::InitIspFail, u"Error: Init ISP fail"},
    {RunResult::CpuResetFail, u"Error: CPU Reset fail"},
    {RunResult::BuildSystemTableFail, u"Error: Build up system table fail"},
    {RunResult::ScanBlockFail, u"Error: Scan Block fail"},
    {RunResult::FormatImageTypeMismatch, u"Error: Format image file type not match"},
    {RunResult::CapacityBelowSetting, u"Warming: Physical Capacity smaller than Setting Capacity"},
    {RunResult::FormatSizeAboveCapacity, u"Error: Format size biger than physcial capacity"},
    {RunResult::ReadCapacityFail, u"Error: Read Capacity fail"},
    {RunResult::CapacityMismatch, u"Error: Setting Capacity can't match real physical"},
    {RunResult::FlashTypeNotSupported, u"Error: Flash Type not support"},
    {RunResult::ReadHdSerialFail, u"Error: Read HD serail number fail"},
    {RunResult::FlashDataEmpty, u"Error: Flash Data is empty"},
};

} // namespace

int GetResultMessage(std::int32_t code, std::u16string& text)
{
    for (const ResultText& entry : kResultTexts) {
        if (entry.code == code) {
            text = entry.text;
            break;
        }
    }
    return 1;
}
