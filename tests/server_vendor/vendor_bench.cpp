#include "tests/server_vendor/vendor_bench.h"

#include <cstdio>
#include <sstream>

namespace vendortest {

std::vector<std::uint8_t> CdbOf(const std::string& hex)
{
    std::vector<std::uint8_t> bytes(16, 0);
    std::istringstream text(hex);
    unsigned value = 0;
    for (std::size_t i = 0; text >> std::hex >> value; ++i)
        bytes.at(i) = static_cast<std::uint8_t>(value);
    return bytes;
}

void ExpectSent(const std::vector<sim::CommandRecord>& received, const std::vector<Sent>& expected)
{
    ASSERT_EQ(received.size(), expected.size()) << ::testing::PrintToString(Describe(received));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("command " + std::to_string(i + 1));
        EXPECT_EQ(received[i].cdb, CdbOf(expected[i].cdb));
        EXPECT_EQ(received[i].direction, expected[i].direction);
        EXPECT_EQ(received[i].dataLength, expected[i].length);
        EXPECT_EQ(received[i].timeoutMs, expected[i].timeoutSeconds * 1000);
    }
}

std::string Describe(const sim::CommandRecord& command)
{
    const auto& c = command.cdb;
    char text[96];
    if (c.size() == 16 && c[0] == 0xEE && c[1] == 0x01 && (c[6] == 0x04 || c[6] == 0x05)) {
        const unsigned reg = c[4] << 8 | c[5];
        if (c[6] == 0x04)
            std::snprintf(text, sizeof text, "read %04X", reg);
        else
            std::snprintf(text, sizeof text, "write %04X=%02X", reg, command.dataOut.empty() ? 0u : command.dataOut[0]);
        return text;
    }
    if (c.size() == 16 && c[0] == 0xEE && c[1] == 0x95 && c[6] == 0x89) {
        std::snprintf(text, sizeof text, "block read flags=%02X kind=%02X", c[9], c[7]);
        return text;
    }
    if (c.size() == 16 && c[0] == 0xEE && c[1] == 0x95 && c[6] == 0x8B) {
        std::snprintf(text, sizeof text, "block write flags=%02X kind=%02X tag=%.6s", c[9], c[7],
                      reinterpret_cast<const char*>(&c[10]));
        return text;
    }
    if (c.size() == 16 && c[0] == 0xEE && c[1] == 0x8B) {
        std::snprintf(text, sizeof text, "power %02X", c[6]);
        return text;
    }
    if (c.size() == 16 && c[0] == 0xEE && c[1] == 0x80 && (c[6] == 0x80 || c[6] == 0x81)) {
        const bool in = command.direction == sim::DataDirection::FromDevice;
        std::snprintf(text, sizeof text, "%s %s %04X", c[6] == 0x80 ? "eeprom" : "firmware", in ? "read" : "write",
                      static_cast<unsigned>(c[4] << 8 | c[5]));
        return text;
    }
    std::ostringstream other;
    for (std::uint8_t b : c)
        other << std::hex << static_cast<unsigned>(b) << ' ';
    return other.str();
}

std::vector<std::string> Describe(const std::vector<sim::CommandRecord>& commands)
{
    std::vector<std::string> texts;
    for (const auto& command : commands)
        texts.push_back(Describe(command));
    return texts;
}

} // namespace vendortest
