// One port's whole flash-drive run on the bench, through the server: the system table on
// the NAND model (read back by the table checker), the CIS and ISP firmware in their
// blocks, the boot code in the SPI part, LUN images built by the image builder and
// written to the drive (read back by SCSI and judged by fsck.fat, mtools and xorriso),
// and the stress test, which leaves the drive's data as it found it.
#include "engine/lunimage/image_trailer.h"
#include "engine/ports/run_result.h"
#include "fsbuild/fs_build_params.h"
#include "sim/disk/controller_commands.h"
#include "tests/fsbuild/tool_runner.h"
#include "tests/nand/table_checker.h"
#include "tests/ports/worker_run.h"
#include "tests/ufdworker/bench_station.h"
#include "engine/ufdworker/ufd_run_thread.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

using namespace ufdbench;
namespace fs = std::filesystem;

constexpr int kPort = 0;
constexpr DWORD kLun0Start = 0x40, kLun0Sectors = 0x5000;  // FAT16, 10 MiB
constexpr DWORD kLun2Start = 0x6000, kLun2Sectors = 0x800; // ISO9660, 1 MiB

const char* Wide(const std::u16string& text)
{
    return reinterpret_cast<const char*>(text.c_str());
}

DWORD Be32(const std::vector<BYTE>& bytes, std::size_t at)
{
    return DWORD{bytes[at]} << 24 | DWORD{bytes[at + 1]} << 16 | DWORD{bytes[at + 2]} << 8 | bytes[at + 3];
}

class BenchRun : public BenchStation {
protected:
    void SetUp() override
    {
        Start(1);
        CISSetting& s = Settings();
        UseFile("fw.bin", Pattern(0x10000, 1), s.FilePathOfFW);
        UseFile("boot.bin", Pattern(0x4000, 2), s.FilePathOfBootCode);
        s.LunTypeBitMap = 0x05 | 4u << 16; // LUNs 0 and 2, four bit errors accepted
        s.FormatLunBitMap = 0x05;
        s.CISImage.SetDword(cis::kLunStartLba, kLun0Start);
        s.CISImage.SetDword(cis::kLunCapacity, kLun0Sectors);
        s.CISImage.SetDword(cis::kLunStartLba + 8, kLun2Start);
        s.CISImage.SetDword(cis::kLunCapacity + 8, kLun2Sectors);
        s.ImageType[0] = 1;
        s.ImageType[2] = 3 | 0x40;
        s.StressTestSize = 1;
        s.USB_VID = u"0x1D6B";
        s.USB_PID = u"0x0104";
        frame->SerialLengthText = u"16";
        frame->LogIni = std::make_unique<CIniFile>(station.folder.WideFile("result.log"));
        const fs::path source = station.folder.path() / "source";
        fs::create_directories(source / "docs");
        std::ofstream(source / "readme.txt") << "station readme\n";
        std::ofstream(source / "docs" / "notes.txt") << "notes\n";
        BuildImage(1 | 0x40, kLun0Start, kLun0Sectors, u"PUBLIC", source, "public.img", s.ImagePublicLunPath);
        BuildImage(3 | 0x40, kLun2Start, kLun2Sectors, u"DISC", source, "disc.iso", s.ImageIso9660LunPath);
        PreparePort(param, view, kPort);
    }

    // An image file built by the image builder through the server, with its trailer.
    void BuildImage(BYTE type, DWORD start, DWORD sectors, const std::u16string& label, const fs::path& source,
                    const std::string& name, PackedString& setting)
    {
        const std::u16string image = station.folder.WideFile(name);
        const std::u16string from = source.u16string();
        FsBuildParams params{};
        params.u8FsType = type;
        params.u32DevStartSector = start;
        params.u32TotalSector = sectors;
        params.i32BytesPerSector = 512;
        params.pszLabel = Wide(label);
        params.pszSourcePath = Wide(from);
        params.pszImagePath = Wide(image);
        ASSERT_EQ(PortwardenCtrl->CreateFileSystemImageW(&params), 1) << name;
        ASSERT_TRUE(AppendImageTrailer(image, {type, start, sectors}));
        setting = image;
    }

    // What the drive holds at `lba`, read back by SCSI through the server, into a file.
    std::string ReadBack(DWORD lba, DWORD sectors, const std::string& name)
    {
        std::vector<BYTE> bytes(std::size_t{sectors} * 512);
        EXPECT_EQ(PortwardenCtrl->ReadDisk(DeviceHandleTable, kPort, lba, static_cast<DWORD>(bytes.size()), bytes.data()), 1);
        const std::string path = station.folder.File(name);
        WriteBytes(path, std::string(bytes.begin(), bytes.end()));
        return path;
    }

    // The row addresses of the blocks whose first page carries `tag`.
    std::vector<DWORD> TaggedBlocks(const std::string& tag)
    {
        std::vector<DWORD> rows;
        for (unsigned block = 0; block < kBlocks; ++block)
            if (nand[0]->nand().PageTag(0, block, 0) == tag)
                rows.push_back(block * kPagesPerBlock);
        return rows;
    }
    // The 1024 bytes of a CIS block, as the flash holds them.
    std::vector<BYTE> CisBlock(DWORD row)
    {
        std::vector<BYTE> page = nand[0]->nand().PageData(0, row / kPagesPerBlock, 0);
        page.resize(1024);
        return page;
    }

    porttest::RecordingView view;
    PortThreadParam param{};
};

TEST_F(BenchRun, OnePortRunsTheWholeSequence)
{
    const std::vector<BYTE> userData = Pattern(1 << 20, 9);
    const DWORD stressLba = static_cast<DWORD>(nand[0]->disk().lunSectors(0) - 1) / 2;
    nand[0]->disk().WriteSectors(0, stressLba, userData);

    const PortResult result = porttest::RunWorkerThread(UFDRunThread, param, view);
    ASSERT_EQ(result.result, RunResult::Success);
    EXPECT_EQ(view.Progress().back(), kPortProgressEnd);

    // The CIS in both of its blocks, with the addresses of all four and the tables' part 2.
    const std::vector<DWORD> cisBlocks = TaggedBlocks("CISSYS");
    ASSERT_EQ(cisBlocks.size(), 2u);
    const std::vector<BYTE> cis1 = CisBlock(cisBlocks[0]);
    unsigned sum = 0;
    for (std::size_t at = 0; at < 256; at += 2)
        sum += unsigned{cis1[at]} << 8 | cis1[at + 1];
    EXPECT_EQ(sum % 65536, 0u) << "a valid checksum";
    EXPECT_EQ(std::string(cis1.begin() + 128, cis1.begin() + 144), "0000000000007001");
    EXPECT_EQ((std::vector<DWORD>{Be32(cis1, 384), Be32(cis1, 388)}), cisBlocks) << "CIS 1 and CIS 2";
    EXPECT_EQ(CisBlock(cisBlocks[1]), cis1);
    const auto& flash = nand[0]->nand();
    const std::vector<BYTE> firmware = Pattern(0x10000, 1);
    std::vector<DWORD> ispBlocks{Be32(cis1, 392), Be32(cis1, 396)};
    std::sort(ispBlocks.begin(), ispBlocks.end());
    EXPECT_EQ(TaggedBlocks("ISPSYS"), ispBlocks) << "ISP 1 and ISP 2";
    for (DWORD row : ispBlocks) {
        std::vector<BYTE> stored;
        for (unsigned page = 0; page < 0x10000 / 2048; ++page) {
            const std::vector<BYTE> data = flash.PageData(0, row / kPagesPerBlock, page);
            stored.insert(stored.end(), data.begin(), data.begin() + 2048);
        }
        EXPECT_EQ(stored, firmware) << "the firmware, page by page";
    }
    CISImage written{};
    std::copy(cis1.begin(), cis1.end(), written.bytes);
    CisPart2ToBigEndian(written.Part2()); // back to the host's order the build filled it in
    for (int i = 0; i < 4; ++i) // the database's capacity stays big-endian
        written.bytes[282 + i] = cis1[282 + static_cast<std::size_t>(i)];
    const nandtest::TableFacts tables = nandtest::CheckTables(flash, written.Part2().data(), {true, 2, {0, 0, 0, 0}});
    EXPECT_TRUE(tables.problems.empty()) << ::testing::PrintToString(tables.problems);

    // The boot code in the SPI part.
    const sim::ControllerState controller = nand[0]->disk().controller().Snapshot();
    const std::vector<BYTE> boot = Pattern(0x4000, 2);
    EXPECT_TRUE(std::equal(boot.begin(), boot.end(), controller.firmwareMemory.bytes().begin()));

    // The LUN images, read back from the drive.
    const std::string fat = ReadBack(kLun0Start, kLun0Sectors, "public.back");
    const ToolResult fsck = RunTool({"fsck.fat", "-n", fat});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    EXPECT_EQ(RunTool({"mtype", "-i", fat, "::/readme.txt"}).output, "station readme\n");
    EXPECT_EQ(RunTool({"mtype", "-i", fat, "::/docs/notes.txt"}).output, "notes\n");
    const std::string iso = ReadBack(kLun2Start, kLun2Sectors, "disc.back");
    const fs::path extracted = station.folder.path() / "extracted";
    const ToolResult xorriso = RunTool({"xorriso", "-osirrox", "on", "-indev", iso, "-extract", "/", extracted.string()});
    EXPECT_EQ(xorriso.exitCode, 0) << xorriso.output;
    EXPECT_EQ(ReadBytes((extracted / "readme.txt").string()), "station readme\n");
    EXPECT_EQ(ReadBytes((extracted / "docs" / "notes.txt").string()), "notes\n");

    // The stress test gave the drive its data back.
    EXPECT_EQ(nand[0]->disk().ReadSectors(0, stressLba, (1 << 20) / 512), userData);

    const std::string log = ReadBytes(station.folder.File("result.log"));
    EXPECT_NE(log.find("Status=Run Success"), std::string::npos) << log;
    EXPECT_NE(log.find("SerialNumber=0000000000007001"), std::string::npos) << log;
}

// With FabrunMode bit 3 every LUN is built on the drive by the image builder, as an NTFS
// LUN always is: each read back by SCSI and judged by its own tools.
TEST_F(BenchRun, LunsBuiltOnTheDrivePassTheirCheckers)
{
    constexpr DWORD kFatStart = 0x40, kFatSectors = 0x11000;     // FAT32, 34 MiB
    constexpr DWORD kNtfsStart = 0x11100, kNtfsSectors = 0x4000; // NTFS, 8 MiB
    constexpr DWORD kIsoStart = 0x15200, kIsoSectors = 0x800;    // ISO9660, 1 MiB
    frame->FabrunMode |= 0x08;
    CISSetting& s = Settings();
    s.LunTypeBitMap = 0x07 | 4u << 16;
    s.FormatLunBitMap = 0x07;
    s.ImageType[0] = 2;
    s.ImageType[1] = 4;
    s.ImageType[2] = 3;
    const DWORD starts[] = {kFatStart, kNtfsStart, kIsoStart}, sizes[] = {kFatSectors, kNtfsSectors, kIsoSectors};
    for (std::size_t n = 0; n < 3; ++n) {
        s.CISImage.SetDword(cis::kLunStartLba + 4 * n, starts[n]);
        s.CISImage.SetDword(cis::kLunCapacity + 4 * n, sizes[n]);
    }
    s.SourcePublicLunPath = (station.folder.path() / "source").u16string();
    s.SourceIso9660LunPath = s.SourcePublicLunPath;
    s.VolumeLable[0] = u"PUBLIC";
    s.VolumeLable[1] = u"SECURE";
    s.VolumeLable[2] = u"DISC";

    const PortResult result = porttest::RunWorkerThread(UFDRunThread, param, view);
    ASSERT_EQ(result.result, RunResult::Success);
    const std::vector<porttest::TimerPost> timers = view.Timers();
    EXPECT_EQ(timers.size(), 6u) << "the bar animated during each build";

    const std::string fat = ReadBack(kFatStart, kFatSectors, "fat32.back");
    const ToolResult fsck = RunTool({"fsck.fat", "-n", fat});
    EXPECT_EQ(fsck.exitCode, 0) << fsck.output;
    EXPECT_EQ(RunTool({"mtype", "-i", fat, "::/docs/notes.txt"}).output, "notes\n");
    const std::string ntfs = ReadBack(kNtfsStart, kNtfsSectors, "ntfs.back");
    const ToolResult ntfsls = RunTool({"ntfsls", "-f", ntfs});
    EXPECT_EQ(ntfsls.exitCode, 0) << ntfsls.output;
    const ToolResult ntfsinfo = RunTool({"ntfsinfo", "-m", "-f", ntfs});
    EXPECT_NE(ntfsinfo.output.find("SECURE"), std::string::npos) << ntfsinfo.output;
    const std::string iso = ReadBack(kIsoStart, kIsoSectors, "iso.back");
    const fs::path extracted = station.folder.path() / "from-disc";
    const ToolResult xorriso = RunTool({"xorriso", "-osirrox", "on", "-indev", iso, "-extract", "/", extracted.string()});
    EXPECT_EQ(xorriso.exitCode, 0) << xorriso.output;
    EXPECT_EQ(ReadBytes((extracted / "readme.txt").string()), "station readme\n");
}

} // namespace
