// The bridge-drive (_USD) slots of IPortwardenCtrl on the bench's bridge drive: the exact
// commands of each, the read-modify-write of the suspend switch and the timer with every
// failure of it, the EEPROM checksum (checked by a word sum of the test's own), and ATA
// IDENTIFY judged by hdparm.
#include "tests/server_vendor/vendor_bench.h"

#include <cstdio>
#include <fstream>
#include <functional>

namespace {

using namespace vendortest;
using sim::CommandPattern;
using sim::FaultKind;
using sim::FaultRule;

struct UsdCase {
    std::string name;
    std::function<INT(IPortwardenCtrl* ctrl, HANDLE* handles, BYTE* out, BYTE* in)> call;
    std::vector<Sent> sent;
    std::vector<std::string> lines;
    std::function<void(const sim::BridgeState& state, const BYTE* out, const BYTE* in)> check;
};

class BridgeSlots : public VendorBench {
protected:
    void SetUp() override
    {
        VendorBench::SetUp();
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<BYTE>(i * 11 + 5);
    }

    std::vector<BYTE> out = std::vector<BYTE>(65536);
    std::vector<BYTE> in = std::vector<BYTE>(65536);
};

// The test's own reading of the checksum rule: the 128 big-endian words sum to 0.
unsigned WordSum(const std::vector<BYTE>& image)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < image.size(); i += 2)
        sum = (sum + (unsigned{image[i]} << 8 | image[i + 1])) & 0xFFFF;
    return sum;
}

TEST_F(BridgeSlots, EachSlotSendsItsCommand)
{
    const std::vector<UsdCase> cases = {
        {"ReadButton_USD", [](IPortwardenCtrl* c, HANDLE* h, BYTE*, BYTE* in) { return c->ReadButton_USD(h, kBridgePort, 1, 0, in); },
         {{"EE 80 00 00 00 00 87 00 01", kIn, 1}}, {"ReadButton_USD()"},
         [](const sim::BridgeState& s, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], s.button); }},
        {"WriteButton_USD", [](IPortwardenCtrl* c, HANDLE* h, BYTE*, BYTE*) { return c->ReadButton_USD(h, kBridgePort, 0, 0x2C3, nullptr); },
         {{"EE 80 00 00 00 00 88 00 01", kOut, 1}}, {"WriteButton_USD()"},
         [](const sim::BridgeState& s, const BYTE*, const BYTE*) { EXPECT_EQ(s.button, 0xC3) << "the value's low byte, c11 = 0"; }},
        {"ReadEEPROM_USD read",
         [](IPortwardenCtrl* c, HANDLE* h, BYTE*, BYTE* in) { return c->ReadEEPROM_USD(h, kBridgePort, 1, 0xA0, 0x00, 0, 256, in); },
         {{"EE 80 00 00 00 00 80 01 00 00 00 01 A0", kIn, 256}}, {},
         [](const sim::BridgeState& s, const BYTE*, const BYTE* in) {
             EXPECT_TRUE(std::equal(in, in + 256, s.eeprom.bytes().begin()));
         }},
        {"ReadEEPROM_USD write",
         [](IPortwardenCtrl* c, HANDLE* h, BYTE* out, BYTE*) { return c->ReadEEPROM_USD(h, kBridgePort, 0, 0xA0, 0x07, 0x10, 16, out); },
         {{"EE 80 00 00 00 10 80 00 10 00 00 00 A0 07", kOut, 16}}, {},
         [](const sim::BridgeState& s, const BYTE* out, const BYTE*) {
             EXPECT_TRUE(std::equal(out, out + 16, s.eeprom.bytes().begin() + 0x10));
         }},
        {"ReadFW_USD write",
         [](IPortwardenCtrl* c, HANDLE* h, BYTE* out, BYTE*) { return c->ReadFW_USD(h, kBridgePort, 0, 0x33, 0x1000, 4096, out); },
         {{"EE 80 00 00 10 00 81 10 00 00 00 00 00 33", kOut, 4096}}, {},
         [](const sim::BridgeState& s, const BYTE* out, const BYTE*) {
             EXPECT_TRUE(std::equal(out, out + 4096, s.firmware.bytes().begin() + 0x1000));
             EXPECT_EQ(s.firmwareFlashType, 0x33);
         }},
        {"ReadFW_USD read",
         [](IPortwardenCtrl* c, HANDLE* h, BYTE*, BYTE* in) { return c->ReadFW_USD(h, kBridgePort, 1, 0x34, 0x1000, 4096, in); },
         {{"EE 80 00 00 10 00 81 10 00 00 00 01 00 34", kIn, 4096}}, {},
         [](const sim::BridgeState&, const BYTE* out, const BYTE* in) { EXPECT_TRUE(std::equal(in, in + 4096, out)); }},
        {"GetPMInfo_USD", [](IPortwardenCtrl* c, HANDLE* h, BYTE*, BYTE* in) { return c->GetPMInfo_USD(h, kBridgePort, 16, in); },
         {{"EE 8B 00 00 00 00 01 00 10", kIn, 16}}, {"GetPMInfo_USD()", " USDPowerRead()"},
         [](const sim::BridgeState& s, const BYTE*, const BYTE* in) { EXPECT_TRUE(std::equal(in, in + 16, s.powerInfo.begin())); }},
        {"SetHDCapLED_USD", [](IPortwardenCtrl* c, HANDLE* h, BYTE*, BYTE*) { return c->SetHDCapLED_USD(h, kBridgePort, 3); },
         {{"EE 8B 00 00 00 00 07 00 00 00 00 03", kNone, 0}}, {"SetHDCapLED_USD()", " USDPowerWrite()"},
         [](const sim::BridgeState& s, const BYTE*, const BYTE*) { EXPECT_EQ(s.led, 3); }},
        {"ATAIdentify_USD", [](IPortwardenCtrl* c, HANDLE* h, BYTE*, BYTE* in) { return c->ATAIdentify_USD(h, kBridgePort, 512, in); },
         {{"A1 08 0D 00 00 00 00 00 A0 EC", kIn, 512}}, {"ATAIdentify_USD()", "ATACommandRead()"},
         [](const sim::BridgeState&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[510], 0xA5) << "all 512 bytes"; }},
        {"WriteSPI_USD",
         [](IPortwardenCtrl* c, HANDLE* h, BYTE* out, BYTE*) {
             return c->ReadSPI_USD(h, kBridgePort, 0x80, 0x00012345, 0x0A0B0C0D, 0x166, 0x770, 256, out);
         },
         {{"EE 80 0A 0B 0C 0D 7F 01 00 77 66 80 00 01 23 45", kOut, 256}}, {"WriteSPI_USD()", " TestCommandWrite()"},
         [](const sim::BridgeState& s, const BYTE* out, const BYTE*) {
             EXPECT_TRUE(std::equal(out, out + 256, s.spiFlash.bytes().begin() + 0x12345));
             EXPECT_EQ(s.lastSpi.dw1, 0x0A0B0C0Du);
         }},
        {"ReadSPI_USD",
         [](IPortwardenCtrl* c, HANDLE* h, BYTE*, BYTE* in) {
             return c->ReadSPI_USD(h, kBridgePort, 0x81, 0x00012345, 0, 2, 0x10, 256, in);
         },
         {{"EE 80 00 00 00 00 7F 01 00 01 02 81 00 01 23 45", kIn, 256}}, {"ReadSPI_USD()", " TestCommandRead()"},
         [](const sim::BridgeState&, const BYTE* out, const BYTE* in) { EXPECT_TRUE(std::equal(in, in + 256, out)); }},
    };
    for (const UsdCase& c : cases) {
        SCOPED_TRACE(c.name);
        bridgeDisk().ClearCommands();
        std::fill(in.begin(), in.end(), 0xCC);
        lines.Take();
        EXPECT_EQ(c.call(ctrl, handles, out.data(), in.data()), 1);
        ExpectSent(bridgeDisk().Commands(), c.sent);
        EXPECT_EQ(lines.Take(), c.lines);
        c.check(bridge.Snapshot(), out.data(), in.data());
    }
}

TEST_F(BridgeSlots, AnEepromAccessNamingAnotherBusAddressFails)
{
    EXPECT_EQ(ctrl->ReadEEPROM_USD(handles, kBridgePort, 1, 0xA2, 0, 0, 256, in.data()), 0);
}

const std::vector<std::string> kFirmwareReads = {"firmware read 0000", "firmware read 1000", "firmware read 2000",
                                                 "firmware read 3000", "firmware read 4000", "firmware read 5000"};
const std::vector<std::string> kFirmwareWrites = {"firmware write 0000", "firmware write 1000", "firmware write 2000",
                                                  "firmware write 3000", "firmware write 4000", "firmware write 5000"};

std::vector<std::string> Change(const std::string& power)
{
    std::vector<std::string> all = {"power 01"};
    all.insert(all.end(), kFirmwareReads.begin(), kFirmwareReads.end());
    all.push_back("eeprom read 0000");
    all.push_back(power);
    all.insert(all.end(), kFirmwareWrites.begin(), kFirmwareWrites.end());
    all.push_back("eeprom write 0000");
    return all;
}

TEST_F(BridgeSlots, SuspendAndTimerChangeTheEepromImageWithItsChecksum)
{
    struct Case {
        const char* name;
        std::function<INT(IPortwardenCtrl*, HANDLE*)> call;
        std::string power;
        BYTE suspendByte;
        std::uint16_t timerBytes;
        std::vector<Sent> powerCommand;
    };
    const std::vector<Case> cases = {
        {"EnableSuspned_USD", [](IPortwardenCtrl* c, HANDLE* h) { return c->EnableSuspned_USD(h, kBridgePort, 1); },
         "power 02", 1, 0, {{"EE 8B 00 00 00 00 02", kNone, 0}}},
        {"DisableSuspned_USD", [](IPortwardenCtrl* c, HANDLE* h) { return c->EnableSuspned_USD(h, kBridgePort, 0); },
         "power 03", 0, 0, {{"EE 8B 00 00 00 00 03", kNone, 0}}},
        {"SetTimer_USD 300", [](IPortwardenCtrl* c, HANDLE* h) { return c->SetTimer_USD(h, kBridgePort, 300); }, "power 04",
         0, 300, {{"EE 8B 00 00 00 00 04 00 00 00 00 01 2C", kNone, 0}}},
    };
    const std::vector<BYTE> firmware = bridge.Snapshot().firmware.bytes();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bridgeDisk().ClearCommands();
        EXPECT_EQ(c.call(ctrl, handles), 1);
        const auto sent = bridgeDisk().Commands();
        EXPECT_EQ(Describe(sent), Change(c.power));
        ExpectSent({sent[0]}, {{"EE 8B 00 00 00 00 01 00 04", kIn, 4}});
        ExpectSent({sent[1]}, {{"EE 80 00 00 00 00 81 10 00 00 00 01", kIn, 4096}});
        ExpectSent({sent[7]}, {{"EE 80 00 00 00 00 80 01 00 00 00 01 A0", kIn, 256}}); // c12: the bus address
        ExpectSent({sent[8]}, c.powerCommand);
        ExpectSent({sent[9]}, {{"EE 80 00 00 00 00 81 10 00", kOut, 4096}});
        ExpectSent({sent[15]}, {{"EE 80 00 00 00 00 80 01 00 00 00 00 A0", kOut, 256}});

        const sim::BridgeState state = bridge.Snapshot();
        const std::vector<BYTE>& image = state.eeprom.bytes();
        EXPECT_EQ(sent[15].dataOut, image);
        EXPECT_EQ(WordSum(image), 0u) << "the checksum in bytes 0..1";
        EXPECT_EQ(image[249], c.suspendByte);
        EXPECT_EQ(image[250] << 8 | image[251], c.timerBytes);
        EXPECT_EQ(state.firmware.bytes(), firmware) << "the firmware memory written back unchanged";
    }
    const sim::BridgeState state = bridge.Snapshot();
    EXPECT_FALSE(state.suspendEnabled);
    EXPECT_EQ(state.timer, 300);
}

TEST_F(BridgeSlots, AnAllZeroImageWithSuspendOnGetsChecksumFFFF)
{
    bridge.Change([](sim::BridgeState& s) { s.eeprom.Fill(0); });
    ASSERT_EQ(ctrl->EnableSuspned_USD(handles, kBridgePort, 1), 1);
    const std::vector<BYTE> image = bridge.Snapshot().eeprom.bytes();
    EXPECT_EQ(image[0], 0xFF);
    EXPECT_EQ(image[1], 0xFF);
    EXPECT_EQ(WordSum(image), 0u);
}

// A failed read writes nothing (no unfilled buffer reaches the device); a failed write
// fails the slot.
TEST_F(BridgeSlots, EveryFailureOfTheChangeIsReported)
{
    struct Case {
        const char* name;
        FaultRule fault;
        std::vector<std::string> sequence;
        std::string line;
    };
    const std::vector<std::string> full = Change("power 04");
    auto upTo = [&](std::size_t n) { return std::vector<std::string>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)); };
    const std::vector<Case> cases = {
        {"power-management read", {CommandPattern::Vendor(0x8B, 0x01), FaultKind::CheckCondition, 1, 1, {}}, upTo(1),
         "SetTimer_USD(): power-management information not read, nothing written"},
        {"third firmware read", {CommandPattern::Vendor(0x80, 0x81).Byte(11, 1), FaultKind::FailedCall, 3, 1, {}}, upTo(4),
         "SetTimer_USD(): firmware memory not read at 0x2000, nothing written"},
        {"EEPROM read", {CommandPattern::Vendor(0x80, 0x80).Byte(11, 1), FaultKind::CheckCondition, 1, 1, {}}, upTo(8),
         "SetTimer_USD(): EEPROM not read, nothing written"},
        {"power command", {CommandPattern::Vendor(0x8B, 0x04), FaultKind::CheckCondition, 1, 1, {}}, full,
         "SetTimer_USD(): a command of the change failed"},
        {"firmware write-back", {CommandPattern::Vendor(0x80, 0x81).Byte(11, 0), FaultKind::CheckCondition, 6, 1, {}}, full,
         "SetTimer_USD(): a command of the change failed"},
        {"EEPROM write", {CommandPattern::Vendor(0x80, 0x80).Byte(11, 0), FaultKind::CheckCondition, 1, 1, {}}, full,
         "SetTimer_USD(): a command of the change failed"},
    };
    const sim::BridgeState before = bridge.Snapshot();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bridgeDisk().ClearFaultRules();
        bridgeDisk().AddFaultRule(c.fault);
        bridgeDisk().ClearCommands();
        lines.Take();
        EXPECT_EQ(ctrl->SetTimer_USD(handles, kBridgePort, 0x1234), 0);
        EXPECT_EQ(Describe(bridgeDisk().Commands()), c.sequence);
        const auto written = lines.Take();
        EXPECT_NE(std::find(written.begin(), written.end(), c.line), written.end()) << ::testing::PrintToString(written);
        if (c.sequence.size() < full.size()) {
            const sim::BridgeState after = bridge.Snapshot();
            EXPECT_EQ(after.eepromWrites, before.eepromWrites);
            EXPECT_EQ(after.firmwareWrites, before.firmwareWrites);
            EXPECT_EQ(after.timerCommands, before.timerCommands);
        }
    }
}

// hdparm decodes the block the slot returns to the drive's serial number and model.
TEST_F(BridgeSlots, HdparmReadsTheIdentifyBlockAsTheDrivesOwn)
{
    std::vector<BYTE> identify(512, 0xCC);
    ASSERT_EQ(ctrl->ATAIdentify_USD(handles, kBridgePort, 512, identify.data()), 1);
    // As the station takes it: words 10..19, each word's high byte first.
    std::string serial;
    for (int word = 10; word < 20; ++word) {
        serial += static_cast<char>(identify[2 * word + 1]);
        serial += static_cast<char>(identify[2 * word]);
    }
    serial.erase(serial.find_last_not_of(' ') + 1);
    EXPECT_EQ(serial, kBridgeSerial);

    const std::string words = ::testing::TempDir() + "identify-words.txt";
    {
        std::ofstream file(words);
        char text[8];
        for (int word = 0; word < 256; ++word) {
            std::snprintf(text, sizeof text, "%04x", identify[2 * word] | identify[2 * word + 1] << 8);
            file << text << (word % 8 == 7 ? "\n" : " ");
        }
    }
    FILE* pipe = ::popen(("hdparm --Istdin < " + words).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string report;
    char chunk[512];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr)
        report += chunk;
    ASSERT_EQ(::pclose(pipe), 0) << report;
    auto field = [&](const std::string& name) {
        auto at = report.find(name + ":");
        if (at == std::string::npos)
            return std::string("(missing)");
        auto start = report.find_first_not_of(" \t", at + name.size() + 1);
        auto end = report.find('\n', start);
        std::string value = report.substr(start, end - start);
        value.erase(value.find_last_not_of(" \t") + 1);
        return value;
    };
    EXPECT_EQ(field("Serial Number"), serial);
    EXPECT_EQ(field("Model Number"), kBridgeModel);
    EXPECT_NE(report.find("Checksum: correct"), std::string::npos) << report;
}

} // namespace
