#include "console/settings/firmware_file_version.h"

#include "engine/usb/supported_devices.h"
#include "platform/text/text.h"

#include <algorithm>
#include <fstream>

namespace {

constexpr std::streamoff kVersionBlock = 0x4000;
constexpr std::streamoff kPlainVersion = 0x1003;
constexpr BYTE kUnavailable = 0xFF;

// Only bytes that are in the file: a short file yields false.
bool ReadAt(std::ifstream& file, std::streamoff offset, BYTE* bytes, std::streamsize count)
{
    file.clear();
    file.seekg(offset);
    file.read(reinterpret_cast<char*>(bytes), count);
    return file.gcount() == count;
}

WORD LittleWord(const BYTE* bytes)
{
    return static_cast<WORD>(bytes[0] | bytes[1] << 8);
}

bool CarriesVersion(const BYTE (&block)[16])
{
    const WORD at4 = LittleWord(block + 4);
    return LittleWord(block + 12) == MakerVendorId || at4 == MakerVendorId || at4 == 0x17EF || at4 == 0x04E8;
}

} // namespace

void ReadFirmwareFileVersion(std::u16string_view path, BYTE (&version)[4])
{
    std::fill(std::begin(version), std::end(version), BYTE{0});
    version[0] = kUnavailable;
    std::ifstream file(platform::WideToAnsi(path), std::ios::binary);
    if (!file)
        return;
    BYTE block[16] = {};
    BYTE found[4] = {};
    if (ReadAt(file, kVersionBlock, block, sizeof block) && CarriesVersion(block))
        std::copy(block, block + 4, found);
    else if (!ReadAt(file, kPlainVersion, found, sizeof found))
        return;
    if (std::all_of(std::begin(found), std::end(found), [](BYTE b) { return b == 0; }))
        return;
    std::copy(std::begin(found), std::end(found), version);
}

std::u16string FirmwareVersionText(const BYTE (&version)[4])
{
    if (version[0] == kUnavailable)
        return u"N/A";
    return platform::FormatWide("%x.%x.%x.%x", version[0], version[1], version[2], version[3]);
}
