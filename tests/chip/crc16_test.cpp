// Crc16 agrees with an independent CRC-16/USB: Python's crcmod, as Debian ships it.
#include "engine/usb/crc16.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

// crcmod's CRC-16/USB of a file, as four hex digits.
unsigned CrcmodOf(const std::string& path)
{
    const std::string command = std::string(FABRUN_PYTHON3) +
                                " -c \"import sys, crcmod.predefined as p; "
                                "print('%04x' % p.mkPredefinedCrcFun('crc-16-usb')(open(sys.argv[1], 'rb').read()))\" " +
                                path;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return 0x10000;
    unsigned value = 0x10000;
    if (std::fscanf(pipe, "%x", &value) != 1)
        value = 0x10000;
    pclose(pipe);
    return value;
}

TEST(Crc16, MatchesCrcmodOverImageSizes)
{
    std::mt19937 random(7);
    const std::string path = testing::TempDir() + "crc16_input.bin";
    for (std::size_t length : {0u, 1u, 31u, 0x7FFEu, 0xBFFEu, 0xFFFEu, 0x1FFFEu}) {
        std::vector<BYTE> data(length);
        for (auto& byte : data)
            byte = static_cast<BYTE>(random());
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
        EXPECT_EQ(Crc16(static_cast<DWORD>(length), data.data()), CrcmodOf(path)) << length;
    }
    std::remove(path.c_str());
}

TEST(Crc16, CompletedImageCarriesItsCrcLittleEndianInTheLastTwoBytes)
{
    std::vector<BYTE> image(0x8000, 0x5A);
    image[0] = 0x01;
    image[0x7FFE] = image[0x7FFF] = 0xEE; // whatever the file had there is overwritten
    CompleteImageCrc(image.data(), 0x8000);
    const WORD crc = Crc16(0x7FFE, image.data());
    EXPECT_EQ(image[0x7FFE], crc & 0xFF);
    EXPECT_EQ(image[0x7FFF], crc >> 8);
    // A reflected CRC over data plus its own little-endian CRC leaves the fixed residue.
    EXPECT_EQ(Crc16(0x8000, image.data()) ^ 0xFFFF, 0xB001);
}

} // namespace
