// The server's file-system calls as the station makes them, through CoCreateInstance: with
// the image builder beside the program (real builds, judged by fsck.fat and mtools), and from
// a copy of this program in a folder of its own, whose system folder holds a scripted
// stand-in of the builder, a library without its exports, or nothing at all.
#include "fsbuild/fs_build_params.h"
#include "test_disk.h"
#include "tool_runner.h"
#include "portwarden/records.h"
#include "tests/server_shell/captured_lines.h"
#include "tests/server_shell/registered_server.h"

#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using fabrun_test::CapturedLines;

constexpr char kRelocatedVariable[] = "FS_CALLS_RELOCATED";
constexpr BYTE kPort = 4;

bool InCopy()
{
    return std::getenv(kRelocatedVariable) != nullptr;
}

const char* Wide(const char16_t* text)
{
    return reinterpret_cast<const char*>(text);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    return lines;
}

long Count(const std::vector<std::string>& lines, const std::string& prefix)
{
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
}

// The three text pointers of a block, read without binding to its packed fields.
std::array<const char*, 3> Texts(const FsBuildParams& params)
{
    return {params.pszLabel, params.pszSourcePath, params.pszImagePath};
}

// A 16 MiB FAT16 request on an image file.
FsBuildParams Fat16Request(const char* label, const char* source, const char* image)
{
    FsBuildParams params{};
    params.u8FsType = 1 | (source != nullptr ? 0x40 : 0);
    params.u32TotalSector = 32768;
    params.i32BytesPerSector = 512;
    params.pszLabel = label;
    params.pszSourcePath = source;
    params.pszImagePath = image;
    return params;
}

class FsCalls : public fabrun_test::RegisteredServer {
protected:
    void SetUp() override
    {
        RegisteredServer::SetUp();
        started = true;
        ctrl = Create<IPortwardenCtrl>(IID_IPortwardenCtrl);
        ASSERT_NE(ctrl, nullptr);
        for (auto& h : handles)
            h = INVALID_HANDLE_VALUE;
        folder = fs::temp_directory_path() / ("fs_calls_" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }

    void TearDown() override
    {
        if (!started)
            return;
        if (handles[kPort] != INVALID_HANDLE_VALUE)
            CloseHandle(handles[kPort]);
        if (ctrl != nullptr)
            ctrl->Release();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        RegisteredServer::TearDown();
    }

    // The loop disk opened into the port's entry of the handle table, as the disk slots do.
    void OpenDiskIntoPort(TestDisk& disk)
    {
        ASSERT_TRUE(disk.ok()) << disk.error();
        const std::string name = "\\\\.\\PhysicalDrive" + std::to_string(disk.diskNumber());
        handles[kPort] = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                     OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handles[kPort], INVALID_HANDLE_VALUE) << name;
    }

    bool started = false;
    IPortwardenCtrl* ctrl = nullptr;
    HANDLE handles[kPortCount] = {};
    fs::path folder;
};

// ---- With the builder beside the program -------------------------------------------------

class FsCallsBesideBuilder : public FsCalls {
protected:
    void SetUp() override
    {
        if (InCopy())
            GTEST_SKIP() << "runs beside the builder only";
        FsCalls::SetUp();
        source = folder / "source";
        fs::create_directories(source / "docs");
        std::ofstream(source / "readme.txt") << "station readme\n";
        std::ofstream(source / "docs" / "notes.txt") << "notes\n";
    }

    fs::path source;
};

TEST_F(FsCallsBesideBuilder, ImageBuiltFromNarrowAndWideRequestsPassesTheCheckers)
{
    const std::string imageA = (folder / "narrow.img").string();
    const std::u16string imageW = (folder / u"wide-\u00fc.img").u16string();
    const std::u16string sourceW = source.u16string();

    FsBuildParams narrow = Fat16Request("STATION", source.c_str(), imageA.c_str());
    EXPECT_EQ(ctrl->CreateFileSystemImage(&narrow), 1);
    EXPECT_EQ(narrow.i32Status, 0);

    FsBuildParams wide = Fat16Request(Wide(u"STATION"), Wide(sourceW.c_str()), Wide(imageW.c_str()));
    const FsBuildParams given = wide;
    EXPECT_EQ(ctrl->CreateFileSystemImageW(&wide), 1);
    EXPECT_EQ(Texts(wide), Texts(given)) << "the caller keeps the texts it gave";

    for (const std::string& image : {imageA, fs::path(imageW).string()}) {
        ToolResult fsck = RunTool({"fsck.fat", "-n", image});
        EXPECT_EQ(fsck.exitCode, 0) << image << "\n" << fsck.output;
        ToolResult readme = RunTool({"mtype", "-i", image, "::/readme.txt"});
        EXPECT_EQ(readme.output, "station readme\n") << image;
        ToolResult notes = RunTool({"mtype", "-i", image, "::/docs/notes.txt"});
        EXPECT_EQ(notes.output, "notes\n") << image;
    }
}

TEST_F(FsCallsBesideBuilder, RefusedRequestReturnsZero)
{
    const std::string image = (folder / "refused.img").string();
    FsBuildParams params = Fat16Request("STATION", nullptr, image.c_str());
    params.u8FsType = 7; // no such file system
    EXPECT_EQ(ctrl->CreateFileSystemImage(&params), 0);
    EXPECT_NE(params.i32Status, 0);
    DWORD sector = 0;
    EXPECT_EQ(ctrl->GetFAT32RootSectorAddr(&params, &sector), 0);
}

TEST_F(FsCallsBesideBuilder, PhysicalDiskBuildLandsOnThePortsDisk)
{
    TestDisk disk("fs_calls_disk", 64ull << 20);
    OpenDiskIntoPort(disk);
    const std::u16string sourceW = source.u16string();
    FsBuildParams params{};
    params.u8FsType = 2 | 0x40; // FAT32 with the source tree
    params.u32TotalSector = (64u << 20) / 512;
    params.i32BytesPerSector = 512;
    params.pszLabel = Wide(u"LUN0");
    params.pszSourcePath = Wide(sourceW.c_str());
    EXPECT_EQ(ctrl->BuildPhyDiskFileSystemW(handles, kPort, &params), 1);
    CloseHandle(handles[kPort]);
    handles[kPort] = INVALID_HANDLE_VALUE;

    ToolResult fsck = RunTool({"fsck.fat", "-n", disk.node()});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    ToolResult readme = RunTool({"mtype", "-i", disk.image(), "::/readme.txt"});
    EXPECT_EQ(readme.output, "station readme\n");
}

// ---- From a copy of this program, with another library or none ---------------------------

// Each case runs in a copy of this program placed in a folder of its own, so that the
// builder beside the real program is not found; its system folder holds what the case says.
struct RelocatedCase {
    const char* test;         // the test of this program the copy runs
    const char* systemLibrary; // what the system folder holds as "Volkiln.dll" ("" nothing)
};

class RelocatedProgram : public ::testing::TestWithParam<RelocatedCase> {};

TEST_P(RelocatedProgram, CaseHoldsInACopyOfThisProgram)
{
    if (InCopy())
        GTEST_SKIP() << "the copy runs the case itself";
    const RelocatedCase& c = GetParam();
    const fs::path place = fs::temp_directory_path() / ("fs_calls_copy_" + std::to_string(::getpid()));
    fs::remove_all(place);
    fs::create_directories(place / "system");
    fs::copy_file("/proc/self/exe", place / "fs_calls_test");
    fs::permissions(place / "fs_calls_test", fs::perms::owner_all);
    if (*c.systemLibrary != '\0')
        fs::copy_file(c.systemLibrary, place / "system" / "Volkiln.dll");
    ToolResult run = RunTool({(place / "fs_calls_test").string(), std::string("--gtest_filter=Relocated.") + c.test},
                             {std::string(kRelocatedVariable) + "=1", "FABRUN_SYSTEM_DIR=" + (place / "system").string(),
                              "VOLKILN_STUB_LOG=" + (place / "calls.log").string()});
    fs::remove_all(place);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("[  PASSED  ] 1 test"), std::string::npos) << run.output;
}

INSTANTIATE_TEST_SUITE_P(Cases, RelocatedProgram,
                         ::testing::Values(RelocatedCase{"EverySlotFailsWithoutTheBuilder", ""},
                                           RelocatedCase{"EverySlotFailsWithoutTheExports", LIBRARY_WITHOUT_EXPORTS},
                                           RelocatedCase{"BuilderFoundInTheSystemFolder", VOLKILN_PATH},
                                           RelocatedCase{"DiskSlotsPickTheirExport", VOLKILN_STUB_PATH},
                                           RelocatedCase{"DiskBuildIsTriedThreeTimes", VOLKILN_STUB_PATH},
                                           RelocatedCase{"WideTextsReachTheBuilderAsAnsi", VOLKILN_STUB_PATH}),
                         [](const auto& info) { return std::string(info.param.test); });

class Relocated : public FsCalls {
protected:
    void SetUp() override
    {
        if (!InCopy())
            GTEST_SKIP() << "runs in a copy of this program only";
        FsCalls::SetUp();
        log = std::getenv("VOLKILN_STUB_LOG");
    }

    std::vector<std::string> Calls() const { return Lines(ReadFile(log)); }

    std::string log;
};

// Every slot as the station calls it, on a block that must come back as it was given.
struct SlotCall {
    const char* name;
    std::function<INT(IPortwardenCtrl*, HANDLE*, FsBuildParams*)> call;
};

std::vector<SlotCall> EverySlot()
{
    return {
        {"CreateFileSystemImage", [](IPortwardenCtrl* c, HANDLE*, FsBuildParams* p) { return c->CreateFileSystemImage(p); }},
        {"CreateFileSystemImageW", [](IPortwardenCtrl* c, HANDLE*, FsBuildParams* p) { return c->CreateFileSystemImageW(p); }},
        {"BuildDriveFileSystem", [](IPortwardenCtrl* c, HANDLE*, FsBuildParams* p) { return c->BuildDriveFileSystem(p, 'E'); }},
        {"BuildDriveFileSystemW", [](IPortwardenCtrl* c, HANDLE*, FsBuildParams* p) { return c->BuildDriveFileSystemW(p, 'E'); }},
        {"BuildPhyDiskFileSystem",
         [](IPortwardenCtrl* c, HANDLE* h, FsBuildParams* p) { return c->BuildPhyDiskFileSystem(h, kPort, p); }},
        {"BuildPhyDiskFileSystemW",
         [](IPortwardenCtrl* c, HANDLE* h, FsBuildParams* p) { return c->BuildPhyDiskFileSystemW(h, kPort, p); }},
        {"BuildPhyDiskFileSystemExW",
         [](IPortwardenCtrl* c, HANDLE* h, FsBuildParams* p) { return c->BuildPhyDiskFileSystemExW(h, kPort, p, 1); }},
        {"GetFAT32RootSectorAddr",
         [](IPortwardenCtrl* c, HANDLE*, FsBuildParams* p) {
             DWORD sector = 0;
             return c->GetFAT32RootSectorAddr(p, &sector);
         }},
    };
}

void ExpectEverySlotFails(IPortwardenCtrl* ctrl, HANDLE* handles, const std::string& expectedLine, DWORD expectedError)
{
    for (const SlotCall& slot : EverySlot()) {
        SCOPED_TRACE(slot.name);
        FsBuildParams params = Fat16Request(Wide(u"L"), nullptr, Wide(u"/nowhere/image.img"));
        params.i32Status = 0x55; // what the caller had there stays
        const FsBuildParams given = params;
        CapturedLines lines;
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(slot.call(ctrl, handles, &params), 0);
        EXPECT_EQ(GetLastError(), expectedError);
        EXPECT_EQ(0, std::memcmp(&params, &given, sizeof params)) << "the block comes back as it was given";
        auto taken = lines.Take();
        EXPECT_NE(std::find(taken.begin(), taken.end(), expectedLine), taken.end()) << expectedLine;
    }
}

TEST_F(Relocated, EverySlotFailsWithoutTheBuilder)
{
    TestDisk disk("fs_calls_missing", 8ull << 20);
    OpenDiskIntoPort(disk);
    ExpectEverySlotFails(ctrl, handles, "Load Volkiln.dll fail", ERROR_MOD_NOT_FOUND);
}

TEST_F(Relocated, EverySlotFailsWithoutTheExports)
{
    TestDisk disk("fs_calls_no_exports", 8ull << 20);
    OpenDiskIntoPort(disk);
    for (const SlotCall& slot : EverySlot()) {
        SCOPED_TRACE(slot.name);
        FsBuildParams params = Fat16Request(Wide(u"L"), nullptr, Wide(u"/nowhere/image.img"));
        EXPECT_EQ(slot.call(ctrl, handles, &params), 0);
        EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    }
}

TEST_F(Relocated, BuilderFoundInTheSystemFolder)
{
    const std::string image = (folder / "system-folder.img").string();
    FsBuildParams params = Fat16Request("STATION", nullptr, image.c_str());
    EXPECT_EQ(ctrl->CreateFileSystemImage(&params), 1);
    EXPECT_EQ(RunTool({"fsck.fat", "-n", image}).exitCode, 0);
}

TEST_F(Relocated, DiskSlotsPickTheirExport)
{
    TestDisk disk("fs_calls_exports", 8ull << 20);
    OpenDiskIntoPort(disk);
    struct Row {
        const char* slot;
        BYTE type;
        INT options;
        const char* expected;
    };
    const Row rows[] = {
        {"BuildPhyDiskFileSystem", 4, 0, "knlfs_BuildPhyDiskFileSystemNoUMount"},
        {"BuildPhyDiskFileSystem", 2, 0, "knlfs_BuildPhyDiskFileSystem "},
        {"BuildPhyDiskFileSystemW", 4 | 0x80, 0, "knlfs_BuildPhyDiskFileSystemNoUMount"},
        {"BuildPhyDiskFileSystemW", 1, 0, "knlfs_BuildPhyDiskFileSystem "},
        {"BuildPhyDiskFileSystemExW", 2, 1, "knlfs_BuildPhyDiskFileSystemNoUMount"},
        {"BuildPhyDiskFileSystemExW", 4, 0, "knlfs_BuildPhyDiskFileSystem "},
    };
    const std::string target = " target=" + std::to_string(disk.diskNumber()) + " ";
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.slot) + " type " + std::to_string(row.type));
        fs::remove(log);
        FsBuildParams params{};
        params.u8FsType = row.type;
        const std::string slot = row.slot;
        INT result = slot == "BuildPhyDiskFileSystem"    ? ctrl->BuildPhyDiskFileSystem(handles, kPort, &params)
                     : slot == "BuildPhyDiskFileSystemW" ? ctrl->BuildPhyDiskFileSystemW(handles, kPort, &params)
                                                         : ctrl->BuildPhyDiskFileSystemExW(handles, kPort, &params, row.options);
        EXPECT_EQ(result, 1);
        auto calls = Calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].rfind(row.expected, 0), 0u) << calls[0];
        EXPECT_NE(calls[0].find(target), std::string::npos) << calls[0];
    }
}

TEST_F(Relocated, DiskBuildIsTriedThreeTimes)
{
    TestDisk disk("fs_calls_retries", 8ull << 20);
    OpenDiskIntoPort(disk);
    struct Row {
        const char* statuses;
        INT result;
        std::size_t builds;
    };
    for (const Row& row : {Row{"5,5,0", 1, 3}, Row{"5,5,5,0", 0, 3}, Row{"0", 1, 1}}) {
        SCOPED_TRACE(row.statuses);
        fs::remove(log);
        setenv("VOLKILN_STUB_STATUSES", row.statuses, 1);
        FsBuildParams params{};
        params.u8FsType = 2;
        CapturedLines lines;
        EXPECT_EQ(ctrl->BuildPhyDiskFileSystemW(handles, kPort, &params), row.result);
        EXPECT_EQ(Calls().size(), row.builds);
        auto taken = lines.Take();
        EXPECT_EQ(Count(taken, "Index=4, DeviceNumber="), static_cast<long>(row.builds));
        EXPECT_EQ(Count(taken, "BuildPhyDiskFileSystem_Error:5"), row.result == 1 ? static_cast<long>(row.builds) - 1 : 3);
        EXPECT_EQ(Count(taken, "DisMountVolume"), static_cast<long>(row.builds) - 1) << "a dismount before each retry";
    }
    unsetenv("VOLKILN_STUB_STATUSES");
}

TEST_F(Relocated, WideTextsReachTheBuilderAsAnsi)
{
    TestDisk disk("fs_calls_texts", 8ull << 20);
    OpenDiskIntoPort(disk);
    FsBuildParams params{};
    params.u8FsType = 1;
    params.pszLabel = Wide(u"L\u00c4B");
    params.pszSourcePath = Wide(u"/src/\u00fcber");
    params.pszImagePath = nullptr;
    const FsBuildParams given = params;
    EXPECT_EQ(ctrl->CreateFileSystemImageW(&params), 1);
    EXPECT_EQ(ctrl->BuildDriveFileSystemW(&params, 'F'), 1);
    EXPECT_EQ(ctrl->BuildPhyDiskFileSystemExW(handles, kPort, &params, 0), 1);
    EXPECT_EQ(0, std::memcmp(&params, &given, sizeof params));
    auto calls = Calls();
    ASSERT_EQ(calls.size(), 3u);
    for (const std::string& call : calls)
        EXPECT_NE(call.find(" label=L\xc3\x84" "B source=/src/\xc3\xbc" "ber image=(null)"), std::string::npos) << call;
    EXPECT_NE(calls[1].find(" target=70 "), std::string::npos) << "the drive letter as given";
}

} // namespace
