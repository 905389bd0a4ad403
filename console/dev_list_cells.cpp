#include "console/dev_list_cells.h"

#include "engine/settings/cis_setting.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "portwarden/block_map.h"

#include <algorithm>

namespace {

constexpr std::size_t kUsbStringChars = 32;
constexpr std::size_t kSerialChars = 16;
// INQUIRY: byte 4 additional length; 8..15 vendor, 16..31 product; 40..43 firmware version.
constexpr std::size_t kInquiryAdditionalLength = 4;
constexpr BYTE kNoInquiryText = 4;
constexpr BYTE kLargestAdditionalLength = 84;
constexpr std::size_t kInquiryVendor = 8;
constexpr std::size_t kInquiryVendorSize = 8;
constexpr std::size_t kInquiryProduct = 16;
constexpr std::size_t kInquiryProductSize = 16;
constexpr std::size_t kFirmwareVersion = 40;

// ANSI text of a fixed field, up to its NUL or the field's end, as at most `chars` UTF-16
// units (never half a surrogate pair).
std::u16string FieldText(const void* field, std::size_t size, std::size_t chars)
{
    const char* text = static_cast<const char*>(field);
    std::u16string wide = platform::AnsiToWide(std::string_view(text, platform::FieldLength(text, size)));
    std::u16string cut(chars + 1, u'\0');
    cut.resize(platform::CopyWideToWideField(cut.data(), cut.size(), wide));
    return cut;
}

std::u16string DriveLettersText(const DiskEntry& disk)
{
    // The count comes from the server; the field holds no more letters than its size.
    const std::size_t count = std::min<std::size_t>(disk.driveLetterCount, sizeof disk.driveLetters);
    if (count < 1)
        return u"N/A";
    std::string letters;
    for (std::size_t n = 0; n < count; ++n) {
        letters += disk.driveLetters[n];
        letters += ":\\ ";
    }
    return platform::AnsiToWide(letters);
}

std::u16string CapacityText(const DiskEntry& disk)
{
    // The last LBA over 2048: megabytes of 512-byte sectors.
    const BYTE* lastLba = disk.capacity;
    const int megabytes = (lastLba[0] << 13) | (lastLba[1] << 5) | (lastLba[2] >> 3);
    return platform::FormatWide("%d MB", megabytes);
}

std::u16string InquiryText(DiskEntry& disk)
{
    BYTE& additionalLength = disk.inquiry[kInquiryAdditionalLength];
    if (additionalLength > kLargestAdditionalLength)
        additionalLength = kNoInquiryText;
    if (additionalLength == kNoInquiryText)
        return u"N/A";
    return FieldText(disk.inquiry + kInquiryVendor, kInquiryVendorSize, kInquiryVendorSize) +
           FieldText(disk.inquiry + kInquiryProduct, kInquiryProductSize, kInquiryProductSize);
}

std::u16string SerialText(const PortRecord& record)
{
    if (record.serialNumber[0] == 0 && record.serialNumber[1] == 0)
        return u"N/A";
    return FieldText(record.serialNumber, sizeof record.serialNumber, kSerialChars);
}

} // namespace

std::array<std::u16string, 8> DeviceCellTexts(PortRecord& record)
{
    const BYTE* firmware = record.disk.inquiry + kFirmwareVersion;
    return {
        DriveLettersText(record.disk),
        platform::FormatWide("%04X / %04X", record.idVendor, record.idProduct),
        FieldText(record.manufacturer, sizeof record.manufacturer, kUsbStringChars),
        FieldText(record.product, sizeof record.product, kUsbStringChars),
        CapacityText(record.disk),
        InquiryText(record.disk),
        SerialText(record),
        platform::FormatWide("%x.%x.%x.%x", firmware[0], firmware[1], firmware[2], firmware[3]),
    };
}

std::array<std::u16string, 4> FlashCellTexts(const UFDBlockMap& map, int port, const CISSetting& settings)
{
    std::u16string geometry;
    if (const UFDPortBlockMap* portMap = PortBlockMap(map, port))
        geometry = platform::FormatWide("%d X %d", portMap->ceCount, portMap->channelCount);
    else
        platform::DebugPrintf("Device list: the block map holds no record for port %d", port);
    const CISImage& image = settings.CISImage;
    return {
        geometry,
        platform::FormatWide("0x%x", 512 << (image.bytes[cis::kFlashSizeCode] >> 4)),
        platform::FormatWide("0x%x", image.Word(cis::kPagesPerBlock)),
        settings.FlashPartName.Get(),
    };
}
