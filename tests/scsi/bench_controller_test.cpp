// The simulated controller's vendor command structure as a model plugged into it sees it:
// handlers per group and sub-command, later ones first and passing on what is not theirs;
// the XDATA register file; and planned faults by rule.
#include "server/scsi/stdcmd_control.h"
#include "server/scsi/vcomm_control.h"
#include "tests/scsi/bench_fixture.h"

#include <vector>

namespace {

using scsitest::DiskBench;
using sim::CommandPattern;
using sim::FaultKind;
using sim::FaultRule;
using sim::ScsiAnswer;
using sim::VendorRequest;

constexpr WORD kEncryption = 0x2809;
constexpr WORD kEcc = 0x2608;

class Controller : public DiskBench {
protected:
    int ReadRegister(WORD reg, BYTE& value) { return vendor.VendorRead(device, 0x04, 0, 0, reg, 1, &value); }
    int WriteRegister(WORD reg, BYTE value) { return vendor.VendorWrite(device, 0x05, 0, 0, reg, 1, &value); }

    CVCommCMDControl vendor;
};

TEST_F(Controller, XdataRegistersComeUpAtPowerOnValuesAndReturnToThemOnReset)
{
    BYTE value = 0;
    ASSERT_EQ(ReadRegister(kEncryption, value), 1);
    EXPECT_EQ(value, 0x01) << "encryption on";
    ASSERT_EQ(ReadRegister(kEcc, value), 1);
    EXPECT_EQ(value, 0x05);

    ASSERT_EQ(WriteRegister(kEncryption, 0x00), 1);
    ASSERT_EQ(WriteRegister(0x1234, 0x77), 1);
    EXPECT_EQ(model().Xdata(kEncryption), 0x00) << "other models read the same registers";
    EXPECT_EQ(model().Xdata(0x1234), 0x77);

    BYTE many[4] = {};
    ASSERT_EQ(vendor.VendorRead(device, 0x04, 0, 0, 0x1233, 4, many), 1);
    EXPECT_EQ(std::vector<BYTE>(many, many + 4), (std::vector<BYTE>{0, 0x77, 0, 0})) << "a run of registers";

    model().SetResetNotReadyPolls(2);
    ASSERT_EQ(vendor.ConfigureLUNWrite(device, 0x01, 0, 0, 0, 0, nullptr), 1); // CPU reset
    EXPECT_EQ(model().cpuResets(), 1u);
    EXPECT_EQ(model().Xdata(kEncryption), 0x01);
    EXPECT_EQ(model().Xdata(0x1234), 0x00);
    CSTDCMDControl standard;
    UCHAR status = 0;
    for (UCHAR expected : {2, 2, 0}) {
        ASSERT_EQ(standard.SendTestUnitReady(device, 0, 0, 0, &status), 1);
        EXPECT_EQ(status, expected) << "becoming ready after the reset";
    }
}

TEST_F(Controller, LaterHandlersComeFirstAndPassOnWhatIsNotTheirs)
{
    std::vector<std::string> asked;
    // A model plugged in later takes register 0x2000 only.
    model().HandleVendorCommand(0x01, 0x04, [&](VendorRequest& request) -> std::optional<ScsiAnswer> {
        asked.push_back("register model");
        if (request.address16() != 0x2000)
            return std::nullopt;
        const BYTE value = 0xA5;
        return sim::ReplyWith(request, std::span<const BYTE>(&value, 1));
    });
    // A whole group of its own.
    model().HandleVendorGroup(0xF8, [&](VendorRequest& request) -> std::optional<ScsiAnswer> {
        asked.push_back("group model");
        if (request.sub() != 0x80)
            return std::nullopt;
        return sim::DataProtect();
    });

    BYTE value = 0;
    ASSERT_EQ(ReadRegister(0x2000, value), 1);
    EXPECT_EQ(value, 0xA5);
    model().SetXdata(0x2001, 0x3C);
    ASSERT_EQ(ReadRegister(0x2001, value), 1);
    EXPECT_EQ(value, 0x3C) << "passed on to the controller's own registers";
    ASSERT_EQ(WriteRegister(0x2000, 0x11), 1);
    EXPECT_EQ(model().Xdata(0x2000), 0x11) << "another sub-command never reaches the register model";

    BYTE data[16] = {};
    EXPECT_EQ(vendor.VBCommandRead(device, 0x80, 0, 0, 0, 0, 16, data), 0) << "the group model answers";
    EXPECT_EQ(vendor.VBCommandRead(device, 0x90, 0, 0, 0, 0, 16, data), 1) << "a known group's reply data";
    EXPECT_EQ(asked, (std::vector<std::string>{"register model", "register model", "group model", "group model"}));
}

TEST_F(Controller, CommandsWhoseDataPhaseDisagreesWithTheirCdbFail)
{
    BYTE data[8] = {};
    // Two bytes asked in bytes 7..8, one moved.
    EXPECT_EQ(vendor.TestCommandRead(device, 0x01EE, 0x00002809, 0x00020004, 0, 0, data), 1);
    EXPECT_EQ(vendor.ATACommandRead(device, 0x01EE, 0x00002809, 0x00020004, 0, 0, 1, data), 0);
    EXPECT_EQ(vendor.VendorRead(device, 0x04, 0, 0, 0xFFFF, 2, data), 0) << "past the register space";
}

TEST_F(Controller, FaultRulesHitTheMatchingCommandsTheyName)
{
    struct Case {
        const char* name;
        FaultRule rule;
        std::vector<int> results; // of five reads of the encryption register, one of ECC between each
        std::vector<BYTE> values;
    };
    const CommandPattern encryptionRead = CommandPattern::Vendor(0x01, 0x04).Address16(kEncryption);
    const std::vector<Case> cases = {
        {"the second one fails", {encryptionRead, FaultKind::CheckCondition, 2, 1, {}}, {1, 0, 1, 1, 1}, {1, 0xCC, 1, 1, 1}},
        {"two from the third", {encryptionRead, FaultKind::FailedCall, 3, 2, {}}, {1, 1, 0, 0, 1}, {1, 1, 0xCC, 0xCC, 1}},
        {"every one", {encryptionRead, FaultKind::AdapterError, 1, 0, {}}, {0, 0, 0, 0, 0}, {0xCC, 0xCC, 0xCC, 0xCC, 0xCC}},
        {"other data", {encryptionRead, FaultKind::Reply, 4, 1, {0xFF}}, {1, 1, 1, 1, 1}, {1, 1, 1, 0xFF, 1}},
        {"another register", {CommandPattern::Vendor(0x01, 0x04).Address16(0x2808), FaultKind::CheckCondition, 1, 0, {}},
         {1, 1, 1, 1, 1}, {1, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        model().ClearFaultRules();
        model().AddFaultRule(c.rule);
        std::vector<int> results;
        std::vector<BYTE> values;
        for (int i = 0; i < 5; ++i) {
            BYTE value = 0xCC, ecc = 0;
            results.push_back(ReadRegister(kEncryption, value));
            values.push_back(value);
            EXPECT_EQ(ReadRegister(kEcc, ecc), 1) << "not matched, not counted";
        }
        EXPECT_EQ(results, c.results);
        EXPECT_EQ(values, c.values);
    }
}

TEST_F(Controller, AReplyRuleTakesWrittenDataWithoutEffect)
{
    model().AddFaultRule({CommandPattern::Vendor(0x01, 0x05), FaultKind::Reply, 1, 1, {}});
    ASSERT_EQ(WriteRegister(kEncryption, 0x00), 1);
    EXPECT_EQ(model().Xdata(kEncryption), 0x01);
    ASSERT_EQ(WriteRegister(kEncryption, 0x00), 1);
    EXPECT_EQ(model().Xdata(kEncryption), 0x00) << "the rule hit one command";
}

} // namespace
