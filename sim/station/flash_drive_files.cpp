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

std::string RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
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
    const unsigned sectorsPerPage = geometry.pageBytes / 512;
    const unsigned capacity = geometry.blocks * 150 / 1024 * sectorsPerPage * geometry.pagesPerBlock * 2;
    std::string line = name;
    for (unsigned i = 0; i < 8; ++i)
        line += " " + Hex(i < geometry.id.size() ? geometry.id[i] : 0);
    // CIS bytes 264..271: the block-access flags at 267, the flash-size code in the high
    // bits of 269.
    const unsigned singles[8] = {0, 0, 0, 0x01, 0, sizeCode << 4, 0, 0};
    for (unsigned value : singles)
        line += " " + Hex(value);
    // 272, 274 and 276 (pages per block), 16-bit; 278 (sectors per page) and 279.
    line += " 0x0000 " + Hex(geometry.pagesPerBlock) + " " + Hex(geometry.pagesPerBlock);
    line += " " + Hex(sectorsPerPage) + " 0x00";
    // 280, then the capacity big-endian in 282..285, as 16-bit values; 286 and 287.
    line += " 0x0000 " + Hex((capacity >> 24 & 0xFF) | (capacity >> 16 & 0xFF) << 8) + " " +
            Hex((capacity >> 8 & 0xFF) | (capacity & 0xFF) << 8);
    return line + " 0x00 0x00";
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
    folder.Write("bootcode.bin", RandomBytes(0x4000, 2025));
    folder.Write("public.img", RandomBytes(512 * 1024, 2026));
    const auto file = [&](const char* name) { return (folder.Path() / name).string(); };
    // LUN 0 alone, written from its image; four bit errors accepted; the rates shown.
    return "[CIS_Setting]\nFilePathOfFW=" + folder.Firmware().string() + "\nFilePathOfBootCode=" + file("bootcode.bin") +
           "\nImagePublicLunPath=" + file("public.img") +
           "\nLunTypeBitMap=0x00240001\nFormatLunBitMap=0x01\nImageType[0]=0x02\nLunStartLBA[0]=0x00000040"
           "\nLunCapacity[0]=0x00010000\nStressTestSize=0x00000001\nUSB_VID=0x1D6B\nUSB_PID=0x0104"
           "\nSerialNumberX=0x0000000000007000\nSerialNumberY=16\nSNType=2\nSNInterval=1\nLogFilePath=" +
           file("result.log") + "\n";
}

} // namespace sim
