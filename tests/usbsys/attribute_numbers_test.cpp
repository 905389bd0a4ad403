// Numbers in sysfs texts and device names are taken only as the kernel writes them: text that
// holds no number of its field (a sign, a blank, a number beyond the field, other
// characters) reads as missing instead of as a wrong number.
#include "platform/rz960/hub_enumeration.h"
#include "platform/usbsys/sysfs.h"
#include "platform/usbsys/usb_tree.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

using platform::usbsys::ParseDecimalNumber;
using platform::usbsys::ParseDeviceName;
using platform::usbsys::ParseHexNumber;

struct NumberCase {
    const char* text;
    std::optional<unsigned> hex;
    std::optional<unsigned> decimal;
};

TEST(AttributeNumbers, OnlyTheKernelsNumberFormsAreTaken)
{
    const NumberCase cases[] = {
        {"0951", 0x951, 951},
        {"0x8086", 0x8086, std::nullopt},
        {"480", 0x480, 480},
        {"1.5", std::nullopt, 1},
        {"5.", std::nullopt, 5},
        {"ffffffff", 0xFFFFFFFF, std::nullopt},
        {"100000000", std::nullopt, 100000000},
        {"4294967296", std::nullopt, std::nullopt}, // one above the field
        {"-1", std::nullopt, std::nullopt},          // was 0xFFFFFFFF
        {"+12", std::nullopt, std::nullopt},
        {" 1", std::nullopt, std::nullopt},
        {"12zz", std::nullopt, std::nullopt},
        {"1e30", 0x1E30, std::nullopt},              // a speed of 1e30 was undefined behaviour
        {"5.abc", std::nullopt, std::nullopt},
        {"0x", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseHexNumber(c.text), c.hex) << '"' << c.text << '"';
        EXPECT_EQ(ParseDecimalNumber(c.text), c.decimal) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseHexNumber("12345", 0xFFFF), std::nullopt) << "a WORD field";
    EXPECT_EQ(ParseHexNumber("ffff", 0xFFFF), 0xFFFFu);
}

struct NameCase {
    const char* name;
    bool taken;
    unsigned bus;
    std::vector<unsigned> ports;
};

TEST(AttributeNumbers, ADeviceNameIsTakenOnlyAsTheKernelWritesIt)
{
    const NameCase cases[] = {
        {"usb1", true, 1, {}},
        {"2-1.4", true, 2, {1, 4}},
        {"1-10.3.2", true, 1, {10, 3, 2}},
        {"1-1:1.0", false, 0, {}},
        {"1-01", false, 0, {}},        // was port 1, a name no device has
        {"1-+1", false, 0, {}},
        {"1- 1", false, 0, {}},
        {"usb 1", false, 0, {}},
        {"1--1", false, 0, {}},        // was port 4294967295
        {"1-4294967297", false, 0, {}},
        {"1-0", false, 0, {}},
        {"1-", false, 0, {}},
        {"1-2.", false, 0, {}},
        {"-1", false, 0, {}},
    };
    for (const auto& c : cases) {
        unsigned bus = 0;
        std::vector<unsigned> ports;
        EXPECT_EQ(ParseDeviceName(c.name, bus, ports), c.taken) << c.name;
        if (c.taken) {
            EXPECT_EQ(bus, c.bus) << c.name;
            EXPECT_EQ(ports, c.ports) << c.name;
        }
    }
}

TEST(AttributeNumbers, AHubsIdentityTakesNoNumberBeyondItsField)
{
    EXPECT_EQ(platform::HubIdentityOf("5421", "2f52", "0518", "480"), (platform::HubIdentity{0x5421, 0x2F52, 0x0518, 2}));
    EXPECT_EQ(platform::HubIdentityOf("12f52", "-1", "0x518", "5000"), (platform::HubIdentity{0, 0, 0x0518, 3}));
    EXPECT_EQ(platform::HubIdentityOf(nullptr, nullptr, nullptr, nullptr), (platform::HubIdentity{0, 0, 0, 0}));
    EXPECT_EQ(platform::HubIdentityOf("1", "2", "3", "1.5"), (platform::HubIdentity{1, 2, 3, 1}));
    EXPECT_EQ(platform::HubIdentityOf("1", "2", "3", "fast").generation, 0) << "a speed that is no number is unknown";
}

} // namespace
