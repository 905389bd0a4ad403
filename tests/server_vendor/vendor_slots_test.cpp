// Every single-command slot of IPortwardenCtrl2, one table per command family: the exact
// CDB, direction, length and time-out the controller receives, the entry line, the result,
// and where the data went.
#include "tests/server_vendor/vendor_bench.h"

#include "sim/disk/controller_commands.h"

#include <functional>

namespace {

using namespace vendortest;

struct SlotCase {
    std::string name;
    std::function<INT(IPortwardenCtrl2* ctrl2, HANDLE* handles, const BYTE* out, BYTE* in)> call;
    std::vector<Sent> sent;
    std::vector<std::string> lines; // the entry line, and what else the slot writes on success
    // Checks the data against the controller's state after the call.
    std::function<void(const sim::ControllerState& state, sim::FlashDisk& disk, const BYTE* out, const BYTE* in)>
        check;
};

class VendorSlots : public VendorBench {
protected:
    void SetUp() override
    {
        VendorBench::SetUp();
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = static_cast<BYTE>(i * 29 + 3);
    }

    void Run(const std::vector<SlotCase>& cases)
    {
        for (const SlotCase& c : cases) {
            SCOPED_TRACE(c.name);
            flash().ClearCommands();
            std::fill(in.begin(), in.end(), 0xCC);
            lines.Take();
            EXPECT_EQ(c.call(ctrl2, handles, out.data(), in.data()), 1);
            ExpectSent(flash().Commands(), c.sent);
            EXPECT_EQ(lines.Take(), c.lines);
            if (c.check)
                c.check(flash().controller().Snapshot(), flash(), out.data(), in.data());
        }
    }

    std::vector<BYTE> out = std::vector<BYTE>(65536);
    std::vector<BYTE> in = std::vector<BYTE>(65536);
};

using State = sim::ControllerState;
using Ctrl2 = IPortwardenCtrl2;

// The first `n` bytes of `in` are these.
template <class Bytes>
void ExpectRead(const BYTE* in, const Bytes& bytes, std::size_t from, std::size_t n)
{
    EXPECT_TRUE(std::equal(in, in + n, bytes.begin() + static_cast<std::ptrdiff_t>(from)));
    EXPECT_EQ(in[n], 0xCC) << "nothing beyond the transfer";
}

template <class Bytes>
void ExpectWritten(const BYTE* out, const Bytes& bytes, std::size_t from, std::size_t n)
{
    EXPECT_TRUE(std::equal(out, out + n, bytes.begin() + static_cast<std::ptrdiff_t>(from)));
}

TEST_F(VendorSlots, MemoryAndRegisterSlots)
{
    Run({
        {"ReadCode", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadCode(h, kFlashPort, 0x1234, 16, in); },
         {{"EE 01 00 00 12 34 01 00 10", kIn, 16}}, {"ReadCode()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.codeMemory.bytes(), 0x1234, 16); }},
        {"ReadData", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadData(h, kFlashPort, 1, 0x0100, 32, in); },
         {{"EE 01 00 00 01 00 02 00 20", kIn, 32}}, {"ReadData()"}, nullptr},
        {"WriteData",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) { return c->ReadData(h, kFlashPort, 0, 0x0200, 8, const_cast<BYTE*>(out)); },
         {{"EE 01 00 00 02 00 03 00 08", kOut, 8}}, {"WriteData()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) { ExpectWritten(out, s.dataMemory.bytes(), 0x200, 8); }},
        {"ReadWriteXdata read",
         [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadWriteXdata(h, kFlashPort, 1, 0x2809, 1, in); },
         {{"EE 01 00 00 28 09 04 00 01", kIn, 1}}, {},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], 0x01) << "encryption on"; }},
        {"ReadWriteXdata write",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) {
             return c->ReadWriteXdata(h, kFlashPort, 2, 0x3000, 2, const_cast<BYTE*>(out));
         },
         {{"EE 01 00 00 30 00 05 00 02", kOut, 2}}, {},
         [](const State&, sim::FlashDisk& d, const BYTE* out, const BYTE*) {
             EXPECT_EQ(d.Xdata(0x3000), out[0]);
             EXPECT_EQ(d.Xdata(0x3001), out[1]);
         }},
    });
}

TEST_F(VendorSlots, DeviceAndLunConfigurationSlots)
{
    Run({
        {"CPUReset", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->CPUReset(h, kFlashPort); },
         {{"EE 02 00 00 00 00 01", kNone, 0}}, {"CPUReset()", " ConfigureLUNWrite()"},
         [](const State&, sim::FlashDisk& d, const BYTE*, const BYTE*) { EXPECT_EQ(d.cpuResets(), 1u); }},
        {"ReadDeivceID", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadDeivceID(h, kFlashPort, in); },
         {{"EE 02 00 00 00 00 12 00 10", kIn, 16}}, {"ReadDeivceID()", " ConfigureLUNRead()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.deviceId, 0, 16); }},
        {"ReadLUNCONFIG", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadLUNCONFIG(h, kFlashPort, 1, in); },
         {{"EE 02 00 00 00 00 88 00 30", kIn, 48}}, {"ReadLUNCONFIG()", " ConfigureLUNRead()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.lunConfiguration, 0, 48); }},
        {"WriteLUNCONFIG",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) { return c->ReadLUNCONFIG(h, kFlashPort, 0, const_cast<BYTE*>(out)); },
         {{"EE 02 00 00 00 00 8A 00 30", kOut, 48}}, {"WriteLUNCONFIG()", " ConfigureLUNWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) { ExpectWritten(out, s.lunConfiguration, 0, 48); }},
        {"WriteLUNDATA in sectors",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) {
             return c->ReadLUNDATA(h, kFlashPort, 0, 0x10, 4096, const_cast<BYTE*>(out));
         },
         {{"EE 02 00 00 00 10 2A 00 08", kOut, 4096}}, {"WriteLUNDATA()", " ConfigureLUNWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) { ExpectWritten(out, s.lunData.bytes(), 0x10 * 512, 4096); }},
        {"ReadLUNDATA in sectors",
         [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadLUNDATA(h, kFlashPort, 1, 0x10, 4096, in); },
         {{"EE 02 00 00 00 10 28 00 08", kIn, 4096}}, {"ReadLUNDATA()", " ConfigureLUNRead()"},
         [](const State&, sim::FlashDisk&, const BYTE* out, const BYTE* in) { ExpectRead(in, std::vector<BYTE>(out, out + 4096), 0, 4096); }},
    });
}

TEST_F(VendorSlots, LunSettingSlots)
{
    Run({
        {"DeviceChange", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->DeviceChange(h, kFlashPort); },
         {{"EE 65 00 00 00 00 82", kNone, 0}}, {"DeviceChange()", " LUNCONFIGWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_EQ(s.deviceChanges, 1u); }},
        {"MediaChange", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->MediaChange(h, kFlashPort); },
         {{"EE 65 00 00 00 00 83 00 00 00 00 10", kNone, 0}}, {"MediaChange()", " LUNCONFIGWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_EQ(s.mediaChanges, 1u); }},
        {"WriteProtect", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->WriteProtect(h, kFlashPort, 1); },
         {{"EE 65 00 00 00 00 84 00 00 00 00 01", kNone, 0}}, {"WriteProtect()", " LUNCONFIGWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_TRUE(s.writeProtected); }},
        {"WriteLunType", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->ReadLunType(h, kFlashPort, 0, 0x103, nullptr); },
         {{"EE 65 00 00 00 00 86 00 00 00 00 03", kNone, 0}}, {"WriteLunType()", " LUNCONFIGWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_EQ(s.lunType, 3); }},
        {"ReadLunType", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadLunType(h, kFlashPort, 1, 9, in); },
         {{"EE 65 00 00 00 00 85 00 01", kIn, 1}}, {"ReadLunType()", " LUNCONFIGRead()"},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], 3); }},
        {"WriteLunNo", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->ReadLunNo(h, kFlashPort, 0, 2, nullptr); },
         {{"EE 65 00 00 00 00 88 00 00 00 00 02", kNone, 0}}, {"WriteLunNo()", " LUNCONFIGWrite()"}, nullptr},
        {"ReadLunNo", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadLunNo(h, kFlashPort, 1, 0, in); },
         {{"EE 65 00 00 00 00 87 00 01", kIn, 1}}, {"ReadLunNo()", " LUNCONFIGRead()"},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], 2); }},
        {"WriteLunID", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->ReadLunID(h, kFlashPort, 0, 0x44, nullptr); },
         {{"EE 65 00 00 00 00 8A 00 00 00 00 44", kNone, 0}}, {"WriteLunID()", " LUNCONFIGWrite()"}, nullptr},
        {"ReadLunID", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadLunID(h, kFlashPort, 1, 0, in); },
         {{"EE 65 00 00 00 00 89 00 05", kIn, 5}}, {"ReadLunID()", " LUNCONFIGRead()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) {
             EXPECT_EQ(in[0], 0x44);
             ExpectRead(in, s.lunId, 0, 5);
         }},
        {"LogLunIndex", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->LogLunIndex(h, kFlashPort, in); },
         {{"EE 65 00 00 00 00 8C 00 01", kIn, 1}}, {"LogLunIndex()", " LUNCONFIGRead()"}, nullptr},
        {"HidLunIndex", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->HidLunIndex(h, kFlashPort, in); },
         {{"EE 65 00 00 00 00 8D 00 0A", kIn, 10}}, {"HidLunIndex()", " LUNCONFIGRead()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.hiddenLunIndex, 0, 10); }},
    });
}

TEST_F(VendorSlots, SecuritySlots)
{
    Run({
        {"GetFWKey", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->GetFWKey(h, kFlashPort, 7, in); },
         {{"EE 66 00 00 00 00 80 00 01 00 00 07", kIn, 1}}, {"GetFWKey()", " SecurityConfigRead()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], s.firmwareKeys[7]); }},
        {"InitPassWord", [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) { return c->InitPassWord(h, kFlashPort, out); },
         {{"EE 66 00 00 00 00 85 01 FF", kOut, 511}}, {"InitPassWord()", " SecurityConfigWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) {
             ExpectWritten(out, s.password, 0, 511);
             EXPECT_TRUE(s.passwordSet);
         }},
        {"GetPassWord", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->GetPassWord(h, kFlashPort, in); },
         {{"EE 66 00 00 00 00 86 01 FF", kIn, 511}}, {"GetPassWord()", " SecurityConfigRead()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.password, 0, 511); }},
        {"VerifyPassWord", [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) { return c->VerifyPassWord(h, kFlashPort, out); },
         {{"EE 66 00 00 00 00 87 01 FF", kOut, 511}}, {"VerifyPassWord()", " SecurityConfigWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_TRUE(s.unlocked); }},
        {"CheckSecurity", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->CheckSecurity(h, kFlashPort, 2, in); },
         {{"EE 66 00 00 00 00 88 00 01 00 00 02", kIn, 1}}, {"CheckSecurity()", " SecurityConfigRead()"},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], 3) << "set and unlocked"; }},
        {"ClearCache", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->ClearCache(h, kFlashPort); },
         {{"EE 6F", kNone, 0, 10}}, {"ClearCache()", " CacheClear()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_EQ(s.cacheClears, 1u); }},
    });
}

TEST_F(VendorSlots, AWrongPasswordFailsItsVerification)
{
    ASSERT_EQ(ctrl2->InitPassWord(handles, kFlashPort, out.data()), 1);
    out[100] ^= 1;
    EXPECT_EQ(ctrl2->VerifyPassWord(handles, kFlashPort, out.data()), 0);
    EXPECT_EQ(flash().controller().Snapshot().failedVerifications, 1u);
}

TEST_F(VendorSlots, EepromFirmwarePartitionAndButtonSlots)
{
    Run({
        {"ReadEEPROM",
         [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadEEPROM(h, kFlashPort, 1, 0x12, 0x34, 0x10, 32, in); },
         {{"EE 80 00 00 00 10 80 00 20 00 00 01 12 34", kIn, 32}}, {"ReadEEPROM()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.eeprom.bytes(), 0x10, 32); }},
        {"WriteEEPROM",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) {
             return c->ReadEEPROM(h, kFlashPort, 0, 0x12, 0x34, 0x10, 32, const_cast<BYTE*>(out));
         },
         {{"EE 80 00 00 00 10 80 00 20 00 00 00 12 34", kOut, 32}}, {"WriteEEPROM()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) { ExpectWritten(out, s.eeprom.bytes(), 0x10, 32); }},
        {"WriteEEPROM c11 is rd",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) {
             return c->ReadEEPROM(h, kFlashPort, 2, 0, 0, 0, 4, const_cast<BYTE*>(out));
         },
         {{"EE 80 00 00 00 00 80 00 04 00 00 02", kOut, 4}}, {"WriteEEPROM()"}, nullptr},
        {"ReadFW", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadFW(h, kFlashPort, 1, 0x33, 0x1000, 4096, in); },
         {{"EE 80 00 00 10 00 81 10 00 00 00 01", kIn, 4096}}, {"ReadFW()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.firmwareMemory.bytes(), 0x1000, 4096); }},
        {"WriteFW",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) {
             return c->ReadFW(h, kFlashPort, 0, 0x33, 0x1000, 4096, const_cast<BYTE*>(out));
         },
         {{"EE 80 00 00 10 00 81 10 00 00 00 00 00 33", kOut, 4096}}, {"WriteFW()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) {
             ExpectWritten(out, s.firmwareMemory.bytes(), 0x1000, 4096);
             EXPECT_EQ(s.firmwareFlashType, 0x33);
         }},
        {"BIST", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->BIST(h, kFlashPort, in); },
         {{"EE 80 00 00 00 00 82 00 01", kIn, 1}}, {"BIST()"},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], 0x00) << "passed"; }},
        {"DeviceConnect", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->DeviceConnect(h, kFlashPort, 0x105); },
         {{"EE 80 00 00 00 00 83 00 00 00 00 05", kNone, 0}}, {"DeviceConnect()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_EQ(s.connection, 5); }},
        {"WritePartition",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) {
             return c->ReadPartition(h, kFlashPort, 0, 0x20, 64, const_cast<BYTE*>(out));
         },
         {{"EE 80 00 00 00 20 86 00 40", kOut, 64}}, {"WritePartition()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) { ExpectWritten(out, s.partitions.bytes(), 0x20, 64); }},
        {"ReadPartition", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadPartition(h, kFlashPort, 1, 0x20, 64, in); },
         {{"EE 80 00 00 00 20 85 00 40", kIn, 64}}, {"ReadPartition()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.partitions.bytes(), 0x20, 64); }},
        {"WriteButton", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->ReadButton(h, kFlashPort, 0, 0x1A5, nullptr); },
         {{"EE 80 00 00 00 00 88 00 01 00 00 A5", kOut, 1}}, {"WriteButton()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_EQ(s.button, 0xA5) << "the value's low byte"; }},
        {"ReadButton", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadButton(h, kFlashPort, 1, 0, in); },
         {{"EE 80 00 00 00 00 87 00 01", kIn, 1}}, {"ReadButton()"},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], 0xA5); }},
        {"Erase", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->Erase(h, kFlashPort); },
         {{"EE 80 00 00 00 00 84", kNone, 0}}, {"Erase()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) {
             EXPECT_EQ(s.erases, 1u);
             EXPECT_EQ(s.firmwareMemory.bytes()[0x1000], 0xFF);
         }},
    });
}

TEST_F(VendorSlots, IspSegmentAndSystemAreaSlots)
{
    Run({
        {"InitSgmt",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) { return c->InitSgmt(h, kFlashPort, 0x112, 0x234, 0x356, 1024, out); },
         {{"EE 9F 00 12 34 56 81 00 08", kOut, 1024}}, {"InitSgmt()", " ISPAccessWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) {
             ASSERT_EQ(s.ispSegments.count(0x123456), 1u) << "the low bytes of b, c and d";
             ExpectWritten(out, s.ispSegments.at(0x123456), 0, 1024);
         }},
        {"EndSgmt", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->EndSgmt(h, kFlashPort); },
         {{"EE 9F 00 00 00 00 80", kNone, 0}}, {"EndSgmt()", " ISPAccessWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_EQ(s.ispSegmentsEnded, 1u); }},
        {"ReadFlashID", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadFlashID(h, kFlashPort, 1, in); },
         {{"EE 90 00 00 00 00 82 00 05 00 00 01", kIn, 64}}, {"ReadFlashID()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.flashId, 0, 64); }},
        {"WriteSYSReady", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->ReadSYSReady(h, kFlashPort, 0, 1, nullptr); },
         {{"EE 90 00 00 00 00 86 00 00 00 00 01", kNone, 0}}, {"WriteSYSReady()"}, nullptr},
        {"ReadSYSReady", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadSYSReady(h, kFlashPort, 1, 0, in); },
         {{"EE 90 00 00 00 00 85", kIn, 1}}, {"ReadSYSReady()"},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], 1); }},
        {"ReadFlashMethod", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadFlashMethod(h, kFlashPort, 1, in); },
         {{"EE 90 00 00 00 00 8E", kIn, 64}}, {"ReadFlashMethod()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE* in) { ExpectRead(in, s.flashMethod, 0, 64); }},
        {"WriteFlashMethod",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) { return c->ReadFlashMethod(h, kFlashPort, 0, const_cast<BYTE*>(out)); },
         {{"EE 90 00 00 00 00 8F", kOut, 64}}, {"WriteFlashMethod()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) { ExpectWritten(out, s.flashMethod, 0, 64); }},
        {"ReadSYSAddress", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadSYSAddress(h, kFlashPort, 1, in); },
         {{"EE 90 00 00 00 00 8C", kIn, 64}}, {"ReadSYSAddress()"}, nullptr},
        {"WriteSYSAddress",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) { return c->ReadSYSAddress(h, kFlashPort, 0, const_cast<BYTE*>(out)); },
         {{"EE 90 00 00 00 00 8D", kOut, 64}}, {"WriteSYSAddress()"},
         [](const State& s, sim::FlashDisk&, const BYTE* out, const BYTE*) { ExpectWritten(out, s.sysAddressBlock, 0, 64); }},
    });
}

TEST_F(VendorSlots, SpareBlockStatusAndBadBlockSlots)
{
    Run({
        {"WriteSpare",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) {
             return c->ReadSpare(h, kFlashPort, 0, 0x11, 0x22, 0x01000040, 64, const_cast<BYTE*>(out));
         },
         {{"EE 95 01 00 00 40 8A 00 40 11 22", kOut, 64}}, {"WriteSpare()", " SpareAccessWrite()"}, nullptr},
        {"ReadSpare",
         [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadSpare(h, kFlashPort, 1, 0x11, 0x22, 0x01000040, 64, in); },
         {{"EE 95 01 00 00 40 88 00 40 11 22", kIn, 64}}, {"ReadSpare()", " SpareAccessRead()"},
         [](const State&, sim::FlashDisk&, const BYTE* out, const BYTE* in) { EXPECT_TRUE(std::equal(in, in + 64, out)); }},
        {"MarkBad", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE*) { return c->MarkBad(h, kFlashPort, 0x300, 0x40, 0x11, 0x22); },
         {{"EE 50 00 00 03 00 80 00 40 00 00 11 22", kIn, 0}}, {"MarkBad()", " BlockMarkWrite()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) { EXPECT_EQ(s.badBlocks.count(0x300), 1u); }},
        {"ReadSts", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadSts(h, kFlashPort, 0x300, in); },
         {{"EE 50 00 00 03 00 70 00 00 00 00 70", kIn, 1}}, {"ReadSts()", " BlockMarkRead()"},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], sim::kBlockMarkedBad); }},
        {"EraseBlock of a bad block", [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->EraseBlock(h, kFlashPort, 0x300, in); },
         {{"EE 95 00 00 03 00 8E", kIn, 1}}, {},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], sim::kEraseFailed); }},
        {"CheckBad",
         [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->CheckBad(h, kFlashPort, 0x2FF, 1, 2, 3, 4, 512, in); },
         {{"EE 51 00 00 02 FF 00 02 00 01 02 03 04", kIn, 512, 30}}, {"CheckBad()"},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], 0x02) << "the block after the first"; }},
        {"EraseSys",
         [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->EraseSys(h, kFlashPort, 0x100, 1, 2, 3, 4, 512, in); },
         {{"EE 51 00 00 01 00 01 02 00 01 02 03 04", kIn, 512, 30}}, {"EraseSys()"},
         [](const State& s, sim::FlashDisk&, const BYTE*, const BYTE*) {
             EXPECT_EQ(s.systemAreaErases, 1u);
             EXPECT_TRUE(s.spares.empty());
         }},
    });
}

TEST_F(VendorSlots, TestCommandSlots)
{
    Run({
        {"WriteTestCmd",
         [](Ctrl2* c, HANDLE* h, const BYTE* out, BYTE*) {
             return c->ReadTestCmd(h, kFlashPort, 0, 0x01EE, 0x3000, 0x00020005, 0, 0, const_cast<BYTE*>(out));
         },
         {{"EE 01 00 00 30 00 05 00 02", kOut, 2}}, {"WriteTestCmd()", " TestCommandWrite()"},
         [](const State&, sim::FlashDisk& d, const BYTE* out, const BYTE*) { EXPECT_EQ(d.Xdata(0x3001), out[1]); }},
        {"ReadTestCmd",
         [](Ctrl2* c, HANDLE* h, const BYTE*, BYTE* in) { return c->ReadTestCmd(h, kFlashPort, 1, 0x01EE, 0x2809, 0x00010004, 0, 0, in); },
         {{"EE 01 00 00 28 09 04 00 01", kIn, 1}}, {"ReadTestCmd()", " TestCommandRead()"},
         [](const State&, sim::FlashDisk&, const BYTE*, const BYTE* in) { EXPECT_EQ(in[0], 0x01); }},
    });
}

} // namespace
