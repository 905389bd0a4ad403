#include "sim/station/flash_drive_files.h"

#include <cstdio>
#include <random>

namespace sim {
namespace {

constexpr std::size_t kDatabaseTail = 16384;

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

} // namespace

std::string ScrambledFlashDatabase(std::string_view text, unsigned seed)
{
    std::string stored(text);
    for (std::size_t i = 0; i < stored.size(); ++i)
        stored[i] = static_cast<char>(static_cast<unsigned char>(stored[i]) + static_cast<unsigned char>(i));
    std::mt19937 noise(seed);
    for (std::size_t i = 0; i < kDatabaseTail; ++i)
        stored.push_back(static_cast<char>(noise()));
    return stored;
}

std::string FlashPartLine(const std::string& name, const nand::NandGeometry& geometry)
{
    unsigned sizeCode = 0;
    while ((512u << sizeCode) < geometry.blocks)
        ++sizeCode;
    std::string line = name;
    for (unsigned i = 0; i < 8; ++i)
        line += " " + Hex(i < geometry.id.size() ? geometry.id[i] : 0);
    // 8 single bytes: the block-access flags (low 4 bits of the fourth), the flash-size code
    // (high 4 bits of the sixth), the scan-size code.
    const unsigned singles[8] = {0, 0, 0, 0, 0, sizeCode << 4, 0, 0};
    for (unsigned value : singles)
        line += " " + Hex(value);
    // 16-bit values, the last pages per block; 2 bytes; 3 16-bit values; 2 bytes.
    line += " 0x0000 " + Hex(geometry.pageBytes) + " " + Hex(geometry.pagesPerBlock);
    return line + " 0x00 0x00 0x0000 0x0000 0x0000 0x00 0x00";
}

std::string FlashDatabaseText(const std::vector<std::string>& partLines)
{
    std::string text = "# Flash parts of the bench\n[FileInformation]\nVersion=1\nItemNum=" +
                       std::to_string(partLines.size()) + "\n[Samsung]\n";
    for (const std::string& line : partLines)
        text += line + "\n";
    return text + "[EndSubItem]\n";
}

std::string WriteFlashDriveFiles(const StationFolder& folder, const nand::NandGeometry& geometry)
{
    folder.Write("Kelvra.dll", ScrambledFlashDatabase(FlashDatabaseText({FlashPartLine("BENCH-NAND", geometry)}), 2024));
    folder.WriteFirmware(0x10000, 2024);
    return "[CIS_Setting]\nFilePathOfFW=" + folder.Firmware().string() + "\nLunTypeBitMap=0x00200000\n";
}

} // namespace sim
