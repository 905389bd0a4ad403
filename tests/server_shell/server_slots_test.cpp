// Every slot of both interfaces, called by its number through the object's vtable: the
// entry line that comes back proves the slot sits where a COM client looks for it.
#include "tests/server_shell/captured_lines.h"
#include "portwarden/records.h"
#include "tests/server_shell/registered_server.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <gtest/gtest.h>

using namespace fabrun_test;
using Lines = std::vector<std::string>;

namespace {

// Calls vtable entry `slot` of `object` with the given arguments after `this`.
template <class Result = INT, class... Arguments>
std::intptr_t CallSlot(void* object, int slot, Arguments... arguments)
{
    using Function = Result (*)(void*, Arguments...);
    void** table = *static_cast<void***>(object);
    Result result = reinterpret_cast<Function>(table[slot])(object, arguments...);
    if constexpr (std::is_pointer_v<Result>)
        return reinterpret_cast<std::intptr_t>(result);
    else
        return static_cast<std::intptr_t>(result);
}

// The vtable slot a virtual member function is declared at: under the Itanium C++ ABI its
// member pointer holds 1 + the slot's byte offset in the vtable.
template <class Member>
std::size_t DeclaredSlot(Member member)
{
    struct {
        std::uintptr_t offsetPlusOne;
        std::ptrdiff_t adjustment;
    } raw;
    static_assert(sizeof member == sizeof raw);
    std::memcpy(&raw, &member, sizeof raw);
    return (raw.offsetPlusOne - 1) / sizeof(void*);
}

// The slots that write no entry line cannot show their place by calling them; their
// declarations must.
TEST(InterfaceSlots, SlotsWithoutAnEntryLineAreDeclaredAtTheirNumbers)
{
    struct Case {
        const char* name;
        std::size_t slot;
        std::size_t declared;
    };
    const Case cases[] = {
        {"QueryInterface", 0, DeclaredSlot(&IUnknown::QueryInterface)},
        {"AddRef", 1, DeclaredSlot(&IUnknown::AddRef)},
        {"Release", 2, DeclaredSlot(&IUnknown::Release)},
        {"CreateInstance", 3, DeclaredSlot(&IClassFactory::CreateInstance)},
        {"LockServer", 4, DeclaredSlot(&IClassFactory::LockServer)},
        {"ReadEEPROM_USD", 21, DeclaredSlot(&IPortwardenCtrl::ReadEEPROM_USD)},
        {"ReadFW_USD", 22, DeclaredSlot(&IPortwardenCtrl::ReadFW_USD)},
        {"CreateUFDBlockMap", 30, DeclaredSlot(&IPortwardenCtrl::CreateUFDBlockMap)},
        {"DeleteUFDBlockMap", 31, DeclaredSlot(&IPortwardenCtrl::DeleteUFDBlockMap)},
        {"SetUFDBlockMap", 32, DeclaredSlot(&IPortwardenCtrl::SetUFDBlockMap)},
        {"GetUFDBlockMap", 33, DeclaredSlot(&IPortwardenCtrl::GetUFDBlockMap)},
        {"ReadWriteXdata", 5, DeclaredSlot(&IPortwardenCtrl2::ReadWriteXdata)},
        {"ReadWriteBlock", 38, DeclaredSlot(&IPortwardenCtrl2::ReadWriteBlock)},
        {"EraseBlock", 39, DeclaredSlot(&IPortwardenCtrl2::EraseBlock)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.declared, c.slot) << c.name;
}

struct SlotCase {
    int slot;
    std::function<std::intptr_t(void* object, int slot)> call;
    Lines lines;
};

void CheckSlots(void* object, const std::vector<SlotCase>& cases)
{
    CapturedLines lines;
    for (const SlotCase& c : cases) {
        SCOPED_TRACE("slot " + std::to_string(c.slot));
        EXPECT_EQ(c.call(object, c.slot), 0);
        EXPECT_EQ(lines.Take(), c.lines);
    }
}

HANDLE handles[32];
void* const none = nullptr; // any record or buffer pointer
const BYTE port = 7;

// The file-system slots without a build request: each writes its entry line and fails
// before the image builder is loaded.
TEST_F(RegisteredServer, FileSystemSlotsWithoutARequestWriteTheirEntryLineAndFail)
{
    handles[port] = reinterpret_cast<HANDLE>(0xABC);
    const INT i = 0;
    const std::vector<SlotCase> cases = {
        {12, [](void* o, int s) { return CallSlot(o, s, none); }, {"CreateFileSystemImage()"}},
        {13, [](void* o, int s) { return CallSlot(o, s, none); }, {"CreateFileSystemImageW()"}},
        {14, [&](void* o, int s) { return CallSlot(o, s, none, i); }, {"BuildDriveFileSystem()"}},
        {15, [&](void* o, int s) { return CallSlot(o, s, none, i); }, {"BuildDriveFileSystemW()"}},
        {16, [](void* o, int s) { return CallSlot(o, s, handles, port, none); }, {"BuildPhyDiskFileSystem()"}},
        {17, [](void* o, int s) { return CallSlot(o, s, handles, port, none); }, {"BuildPhyDiskFileSystemW(7)"}},
        {57, [&](void* o, int s) { return CallSlot(o, s, handles, port, none, i); }, {"BuildPhyDiskFileSystemExW(7)"}},
        {58, [](void* o, int s) { return CallSlot(o, s, none, none); }, {"GetFAT32RootSectorAddr()"}},
    };
    auto* ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
    ASSERT_NE(ctrl, nullptr);
    CheckSlots(static_cast<void*>(ctrl), cases);
    ctrl->Release();
}

// The working slots, called with arguments that keep them off the machine's devices (an
// empty handle entry, a drive index past Z:, records without a hub, transfers of 0 bytes;
// the bridge-drive slots fail on the empty handle):
// each writes its entry line (the walk its three opening lines) among what it writes.
TEST_F(RegisteredServer, WorkingSlotsOfIPortwardenCtrlWriteTheirEntryLines)
{
    struct WorkingCase {
        int slot;
        std::function<std::intptr_t(void* object, int slot)> call;
        std::optional<std::intptr_t> result; // none where the machine's devices decide
        Lines entry;
    };
    handles[port] = nullptr;
    auto disks = std::make_unique<DiskEntry[]>(kPortCount);
    auto records = std::make_unique<PortRecord[]>(kPortCount);
    PortRecord unplaced{}; // no parent hub: a poll cannot walk it
    BYTE buffer[128] = {};
    BYTE probe = 0x55;
    DWORD first = 0, second = 0;
    HANDLE volume = nullptr;
    std::intptr_t created = 0; // the block map slot 30 makes and slot 31 frees
    const DWORD zero = 0;
    const std::vector<WorkingCase> cases = {
        {3, [&](void* o, int s) { return CallSlot(o, s, disks.get()); }, std::nullopt, {"ScanDiskPath()"}},
        {4, [](void* o, int s) { return CallSlot(o, s, handles, INT{30}); }, 0, {"OpenDiskPath()"}},
        {5, [](void* o, int s) { return CallSlot(o, s, handles, port); }, 1, {"CloseDiskPath(Index=7, Handle=0)"}},
        {6, [&](void* o, int s) { return CallSlot(o, s, handles, port, zero, zero, buffer); }, 1, {"ReadDisk()"}},
        {7, [&](void* o, int s) { return CallSlot(o, s, handles, port, zero, zero, buffer); }, 1, {}},
        {8, [&](void* o, int s) { return CallSlot(o, s, disks.get()); }, std::nullopt, {"ScanDiskPathBySymbolicName()"}},
        {9, [](void* o, int s) { return CallSlot(o, s, handles, port, "\\\\?\\usbstor#disk#none"); }, 0,
         {"OpenDiskPathBySymbolicName(Index=7, Handle=ffffffffffffffff)"}},
        {10, [&](void* o, int s) { return CallSlot(o, s, records.get()); }, std::nullopt,
         {"Jan  9 2014", "14:06:51", "------EnumerateScanUSBPort()"}},
        {11, [&](void* o, int s) { return CallSlot(o, s, &unplaced); }, 0, {"PollingSingleUSBPort()"}},
        {18, [&](void* o, int s) { return CallSlot(o, s, handles, port, &volume); }, 0, {"Disk_Lock(7)"}},
        {19, [](void* o, int s) { return CallSlot(o, s, handles, port, INVALID_HANDLE_VALUE); }, 0,
         {"Disk_Unlock(7)"}},
        {34, [](void* o, int s) { return CallSlot(o, s); }, 1, {"DisableProductFilter()"}},
        {35, [&](void* o, int s) { return CallSlot(o, s, &probe); }, 1, {"LinkTest()"}},
        {36, [](void* o, int s) { return CallSlot(o, s, u"/tmp"); }, 1, {"SetDebugDmpFilePathSS()"}},
        {36, [](void* o, int s) { return CallSlot(o, s, LPCWSTR{}); }, 0, {"SetDebugDmpFilePathSS()"}},
        {37, [](void* o, int s) { return CallSlot(o, s); }, 1, {"ForceInUSB30()"}},
        {38, [&](void* o, int s) { return CallSlot(o, s, handles, port, &first, &second); }, 0, {"ReadCapacity()"}},
        {39, [](void* o, int s) { return CallSlot(o, s, none); }, 0, {"ScanHub()", "ScanHub: no hub records"}},
        {40, [](void* o, int s) { return CallSlot(o, s, none); }, 0, {"PollingHubPort()", "PollingHubPort: no hub record"}},
        {44, [&](void* o, int s) { return CallSlot(o, s, handles, port, BYTE{1}, &first, &second); }, 0,
         {"ReadCapacityEx()"}},
        {45, [&](void* o, int s) { return CallSlot(o, s, handles, port, BYTE{0}, zero, zero, buffer, &first); }, 1,
         {"ReadDiskEx()"}},
        {46, [&](void* o, int s) { return CallSlot(o, s, handles, port, BYTE{0}, zero, zero, buffer, &first); }, 1,
         {"WriteDisk()"}},
        // Device node 0 has no parent: no removal is asked for.
        {48, [&](void* o, int s) { return CallSlot(o, s, zero); }, 5, {"DeviceSafeRemoval()"}},
        {51, [&](void* o, int s) { return CallSlot(o, s, handles, port, buffer); }, 0, {"ReadInquery()"}},
        // Records of a model that was never plugged in: "Key not found." counts as deleted.
        {53, [](void* o, int s) { return CallSlot(o, s, WORD{0}, WORD{0}); }, 1, {"DeleteDevRegistryRecord()"}},
        {55, [](void* o, int s) { return CallSlot(o, s, WORD{0}, WORD{0}, u"v", u"p", u"r"); }, 1,
         {"DeleteDevRegistryRecordEx()"}},
        {56, [](void* o, int s) { return CallSlot(o, s, WORD{0}, WORD{0}); }, 1, {"SetIgnoredRegistry()"}},
        {54, [](void* o, int s) { return CallSlot(o, s, INT{1}); }, 1, {"ActiveFilterDriver()"}},
        {20, [&](void* o, int s) { return CallSlot(o, s, handles, port, BYTE{1}, INT{0}, buffer); }, 0, {"ReadButton_USD()"}},
        {20, [&](void* o, int s) { return CallSlot(o, s, handles, port, BYTE{0}, INT{0}, none); }, 0, {"WriteButton_USD()"}},
        {21, [&](void* o, int s) { return CallSlot(o, s, handles, port, BYTE{1}, INT{0}, INT{0}, INT{0}, INT{4}, buffer); },
         0, {}},
        {22, [&](void* o, int s) { return CallSlot(o, s, handles, port, BYTE{0}, INT{0}, INT{0}, INT{4}, buffer); }, 0, {}},
        {23, [&](void* o, int s) { return CallSlot(o, s, handles, port, INT{4}, buffer); }, 0, {"GetPMInfo_USD()"}},
        {24, [](void* o, int s) { return CallSlot(o, s, handles, port, INT{1}); }, 0, {"EnableSuspned_USD()"}},
        {24, [](void* o, int s) { return CallSlot(o, s, handles, port, INT{0}); }, 0, {"DisableSuspned_USD()"}},
        {25, [](void* o, int s) { return CallSlot(o, s, handles, port, INT{300}); }, 0, {"SetTimer_USD()"}},
        {43, [](void* o, int s) { return CallSlot(o, s, handles, port, INT{1}); }, 0, {"SetHDCapLED_USD()"}},
        {47, [&](void* o, int s) { return CallSlot(o, s, handles, port, INT{128}, buffer); }, 0, {"ATAIdentify_USD()"}},
        {61, [&](void* o, int s) { return CallSlot(o, s, handles, port, BYTE{0x81}, zero, zero, INT{0}, INT{0}, INT{8}, buffer); },
         0, {"ReadSPI_USD()"}},
        {61, [&](void* o, int s) { return CallSlot(o, s, handles, port, BYTE{0x80}, zero, zero, INT{0}, INT{0}, INT{8}, buffer); },
         0, {"WriteSPI_USD()"}},
        {30, [&](void* o, int s) { return created = CallSlot<void*>(o, s, BYTE{16}, BYTE{1}, BYTE{1}, INT{8}); },
         std::nullopt, {}},
        {31, [&](void* o, int s) { return CallSlot(o, s, reinterpret_cast<void*>(created)); }, 1, {}},
        {32, [](void* o, int s) { return CallSlot(o, s, none, BYTE{0}, BYTE{0}, INT{0}, BYTE{0}, INT{1}); }, 1, {}},
        {33, [](void* o, int s) { return CallSlot<BYTE>(o, s, none, BYTE{0}, BYTE{0}, INT{0}, BYTE{0}); }, 255, {}},
        {26, [](void* o, int s) { return CallSlot(o, s, handles, port, none, WORD{64}, WORD{2048}, BYTE{0x23}); }, 0,
         {"ScanFlashBlock(7), Config = 0x23"}},
        {27, [](void* o, int s) { return CallSlot(o, s, handles, port, none, none, none); }, 0,
         {"FindISPAndCISUseBlock(7)"}},
        {28, [](void* o, int s) { return CallSlot(o, s, handles, port, none, none, none); }, 0,
         {"BuildUFDSystemTable(7)"}},
        {29, [](void* o, int s) { return CallSlot(o, s, handles, port, INT{0}, none); }, 0, {"ReadFlashID_UFD(7)"}},
        {41, [](void* o, int s) { return CallSlot(o, s, handles, port, INT{0}, INT{0}, none); }, 0, {"INITISP_UFD(7)"}},
        {42, [](void* o, int s) { return CallSlot(o, s, handles, port); }, 0, {"CPUReset_UFD(7)"}},
        {49, [](void* o, int s) { return CallSlot(o, s, handles, port); }, 0, {"UFDCacheClear_UFD(7)"}},
        {50, [](void* o, int s) { return CallSlot(o, s, handles, port, INT{0}, INT{2}); }, 0,
         {"MediumLoadUnload_UFD(7)"}},
        {52, [](void* o, int s) { return CallSlot(o, s, handles, port); }, 0, {"ChipReset(7)"}},
        {54, [](void* o, int s) { return CallSlot(o, s, INT{1}); }, 1, {"ActiveFilterDriver()"}},
        {60, [](void* o, int s) { return CallSlot(o, s, handles, port); }, 0, {"ChipResetEx(7)"}},
        {59, [&](void* o, int s) { return CallSlot(o, s, &unplaced, BYTE{0}, BYTE{9}); }, 0,
         {"PollingSingleUSBPortEx(9)"}},
    };
    auto* ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
    ASSERT_NE(ctrl, nullptr);
    CapturedLines lines;
    for (const WorkingCase& c : cases) {
        SCOPED_TRACE("slot " + std::to_string(c.slot));
        const std::intptr_t result = c.call(ctrl, c.slot);
        if (c.result) {
            EXPECT_EQ(result, *c.result);
        }
        const Lines written = lines.Take();
        if (c.entry.empty()) {
            EXPECT_EQ(written, Lines{}) << "no entry line";
        } else {
            EXPECT_NE(std::search(written.begin(), written.end(), c.entry.begin(), c.entry.end()), written.end())
                << ::testing::PrintToString(written);
        }
    }
    EXPECT_EQ(volume, INVALID_HANDLE_VALUE) << "a failed lock hands out no volume";
    EXPECT_EQ(probe, 0xAA);
    EXPECT_NE(created, 0);
    ctrl->Release();
}

// Each slot of IPortwardenCtrl2 on a handle that is no device: it fails, and its entry
// line (where it has one) comes before what its commands write.
TEST_F(RegisteredServer, EverySlotOfIPortwardenCtrl2WritesItsEntryLine)
{
    handles[port] = reinterpret_cast<HANDLE>(0xABC);
    const BYTE read = 1;
    const BYTE write = 2; // anything but 1 writes
    const INT i = 0;
    const DWORD d = 0;
    // The slots come in a few shapes of arguments after (handles, index).
    auto plain = [](void* o, int s) { return CallSlot(o, s, handles, port); };
    auto out = [](void* o, int s) { return CallSlot(o, s, handles, port, none); };
    auto valueOut = [&](void* o, int s) { return CallSlot(o, s, handles, port, i, none); };
    auto value = [&](void* o, int s) { return CallSlot(o, s, handles, port, i); };
    auto addressed = [&](BYTE rd) {
        return [=](void* o, int s) { return CallSlot(o, s, handles, port, rd, i, i, none); };
    };
    auto bufferOnly = [](BYTE rd) { return [=](void* o, int s) { return CallSlot(o, s, handles, port, rd, none); }; };
    auto fourInts = [&](BYTE rd) {
        return [=](void* o, int s) { return CallSlot(o, s, handles, port, rd, i, i, i, i, none); };
    };
    auto rdValueOut = [&](BYTE rd) {
        return [=](void* o, int s) { return CallSlot(o, s, handles, port, rd, i, none); };
    };
    auto sixInts = [&](void* o, int s) { return CallSlot(o, s, handles, port, i, i, i, i, i, i, none); };
    const std::vector<SlotCase> cases = {
        {3, [](void* o, int s) { return CallSlot(o, s, handles, port, WORD{0}, INT{0}, none); }, {"ReadCode()"}},
        {4, addressed(read), {"ReadData()"}},
        {4, addressed(write), {"WriteData()"}},
        {5, addressed(read), {}},
        {6, plain, {"CPUReset()"}},
        {7, out, {"ReadDeivceID()"}},
        {8, bufferOnly(read), {"ReadLUNCONFIG()"}},
        {8, bufferOnly(write), {"WriteLUNCONFIG()"}},
        {9, addressed(read), {"ReadLUNDATA()"}},
        {9, addressed(write), {"WriteLUNDATA()"}},
        {10, plain, {"DeviceChange()"}},
        {11, plain, {"MediaChange()"}},
        {12, value, {"WriteProtect()"}},
        {13, rdValueOut(read), {"ReadLunType()"}},
        {13, rdValueOut(write), {"WriteLunType()"}},
        {14, rdValueOut(read), {"ReadLunNo()"}},
        {14, rdValueOut(write), {"WriteLunNo()"}},
        {15, rdValueOut(read), {"ReadLunID()"}},
        {15, rdValueOut(write), {"WriteLunID()"}},
        {16, out, {"LogLunIndex()"}},
        {17, out, {"HidLunIndex()"}},
        {18, valueOut, {"GetFWKey()"}},
        {19, out, {"InitPassWord()"}},
        {20, out, {"GetPassWord()"}},
        {21, out, {"VerifyPassWord()"}},
        {22, valueOut, {"CheckSecurity()"}},
        {23, plain, {"ClearCache()"}},
        {24, fourInts(read), {"ReadEEPROM()"}},
        {24, fourInts(write), {"WriteEEPROM()"}},
        {25, [&](void* o, int s) { return CallSlot(o, s, handles, port, read, i, i, i, none); }, {"ReadFW()"}},
        {25, [&](void* o, int s) { return CallSlot(o, s, handles, port, write, i, i, i, none); }, {"WriteFW()"}},
        {26, out, {"BIST()"}},
        {27, value, {"DeviceConnect()"}},
        {28, plain, {"Erase()"}},
        {29, addressed(read), {"ReadPartition()"}},
        {29, addressed(write), {"WritePartition()"}},
        {30, rdValueOut(read), {"ReadButton()"}},
        {30, rdValueOut(write), {"WriteButton()"}},
        {31, plain, {"EndSgmt()"}},
        {32, [&](void* o, int s) { return CallSlot(o, s, handles, port, i, i, i, i, none); }, {"InitSgmt()"}},
        {33, valueOut, {"ReadFlashID()"}},
        {34, rdValueOut(read), {"ReadSYSReady()"}},
        {34, rdValueOut(write), {"WriteSYSReady()"}},
        {35, bufferOnly(read), {"ReadSYSAddress()"}},
        {35, bufferOnly(write), {"WriteSYSAddress()"}},
        {36, bufferOnly(read), {"ReadFlashMethod()"}},
        {36, bufferOnly(write), {"WriteFlashMethod()"}},
        {37, fourInts(read), {"ReadSpare()"}},
        {37, fourInts(write), {"WriteSpare()"}},
        {38, [&](void* o, int s) { return CallSlot(o, s, handles, port, read, i, i, PackedBlockTag{"CISSYS"}, i, i, none); }, {}},
        {39, valueOut, {}},
        {40, valueOut, {"ReadSts()"}},
        {41, [&](void* o, int s) { return CallSlot(o, s, handles, port, i, i, i, i); }, {"MarkBad()"}},
        {42, sixInts, {"CheckBad()"}},
        {43, sixInts, {"EraseSys()"}},
        {44, [&](void* o, int s) { return CallSlot(o, s, handles, port, read, d, d, d, d, d, none); }, {"ReadTestCmd()"}},
        {44, [&](void* o, int s) { return CallSlot(o, s, handles, port, write, d, d, d, d, d, none); }, {"WriteTestCmd()"}},
    };
    auto* ctrl2 = Create<IPortwardenCtrl2>(IID_IPortwardenCtrl2);
    ASSERT_NE(ctrl2, nullptr);
    CapturedLines lines;
    for (const SlotCase& c : cases) {
        SCOPED_TRACE("slot " + std::to_string(c.slot));
        EXPECT_EQ(c.call(ctrl2, c.slot), 0);
        const Lines written = lines.Take();
        if (c.lines.empty()) {
            for (const std::string& line : written)
                EXPECT_FALSE(line.ends_with("()")) << "no entry line: " << line;
        } else {
            ASSERT_FALSE(written.empty());
            EXPECT_EQ(written.front(), c.lines.front());
        }
    }
    ctrl2->Release();
}

} // namespace
