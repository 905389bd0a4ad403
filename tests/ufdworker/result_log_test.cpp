// The result logs: the section of a device's run, the shared log's keys and status, the
// serial-number text both logs give, the per-serial-number file and its name, and logs
// that cannot be written.
#include "engine/ufdworker/result_log.h"
#include "tests/ufdworker/ufd_run_fixture.h"

#include "engine/ports/run_result.h"

#include <filesystem>
#include <regex>

namespace {

using namespace ufdtest;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

TEST(ResultLogSection, NamesThePortFromOneAndTheTimeWithoutPadding)
{
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 1;
    local.tm_mday = 3;
    local.tm_hour = 9;
    local.tm_min = 5;
    local.tm_sec = 7;
    EXPECT_EQ(ResultSectionName(0, local), u"Device1  2024/2/3  9:5:7");
    local.tm_hour = 23;
    local.tm_min = 59;
    local.tm_sec = 30;
    EXPECT_EQ(ResultSectionName(31, local), u"Device32  2024/2/3  23:59:30");
}

TEST(ResultLogStatus, AWarningIsTheStatusOnlyOfARunThatPassed)
{
    struct Case {
        int remembered, result;
        std::u16string status;
    };
    const Case cases[] = {
        {0, RunResult::Success, u"Run Success"},
        {RunResult::CapacityBelowSetting, RunResult::Success, u"Warming: Physical Capacity smaller than Setting Capacity"},
        {RunResult::FormatSizeAboveCapacity, RunResult::Success, u"Error: Format size biger than physcial capacity"},
        {RunResult::CapacityBelowSetting, RunResult::StressTestFail, u"Error: Stress Test fail"},
        {RunResult::FormatSizeAboveCapacity, RunResult::WriteSecurityLunImageFail, u"Error: Write Security Lun Image fail"},
        {RunResult::CapacityBelowSetting, RunResult::ScanBlockOnly, u"Warming: Physical Capacity smaller than Setting Capacity"},
        {0, RunResult::Fail, u""},
        {0, RunResult::SuccessRedo, u""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SharedLogStatus(c.remembered, c.result), c.status) << c.remembered << " " << c.result;
}

class ResultLogText : public UfdRunTest {};

TEST_F(ResultLogText, TheSerialTextFollowsTheSettingsBaseModeAndMask)
{
    struct Case {
        const char* name;
        INT mode;
        INT decimal;
        ULONGLONG number;
        std::u16string mask;
        DWORD fabrunMode;
        const char* hdSerial;
        std::u16string text;
    };
    const Case cases[] = {
        {"hexadecimal", 2, 0, 0x1A, u"", 0, "", u"000000000000001A"},
        {"decimal", 2, 1, 123, u"", 0, "", u"0000000000000123"},
        {"high half", 2, 0, 0x12345678ABCDEF01ULL, u"", 0, "", u"12345678ABCDEF01"},
        {"mask padded for this text", 4, 1, 42, u"AB##", 0, "", u"AB00000000000042"},
        {"custom mask", 6, 0, 0xFFFF, u"##-##", 0, "", u"00-000000000FFFF"},
        {"typed number ignores the mask", 4, 0, 0x77, u"ZZ", 0x02, "", u"0000000000000077"},
        {"drive serial", 7, 0, 5, u"", 0, "WD-123456789012", u"WD-123456789012"},
        {"full drive serial", 7, 0, 5, u"", 0, "ABCDEFGHIJKLMNOP", u"ABCDEFGHIJKLMNOP"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CISSetting& s = Settings();
        s.SNType = c.mode;
        s.DecCheck = c.decimal;
        s.SNMask = c.mask;
        frame->FabrunMode = kFabrunModeFlashDrive | c.fabrunMode;
        param.serialNumber = c.number;
        std::memset(param.hdSerial, 0, sizeof param.hdSerial);
        std::memcpy(param.hdSerial, c.hdSerial, std::strlen(c.hdSerial));
        EXPECT_EQ(ResultSerialText(param), c.text);
        EXPECT_EQ(s.SNMask.str(), c.mask) << "the settings keep the mask as it was";
    }
}

TEST_F(ResultLogText, TheSharedLogCutsTheTextToTheLengthTheConsoleKeeps)
{
    struct Case {
        std::u16string lengthText;
        INT settingsLength;
        std::u16string text;
    };
    const Case cases[] = {
        {u"5", 16, u"0001A"},
        {u"16", 3, u"000000000000001A"},
        {u"40", 3, u"000000000000001A"},
        {u"0", 16, u""},
        {u"-2", 16, u""},
        // Until the console has filled its length text, the settings' length stands in.
        {u"", 6, u"00001A"},
        {u"x", 4, u"001A"},
        {u"", 0, u""},
    };
    Settings().SNType = 2;
    Settings().DecCheck = 0;
    param.serialNumber = 0x1A;
    for (const Case& c : cases) {
        frame->SerialLengthText = c.lengthText;
        Settings().SerialNumberY = c.settingsLength;
        EXPECT_EQ(SharedLogSerialText(param), c.text) << std::string(c.lengthText.begin(), c.lengthText.end());
    }
}

TEST(ResultTextFile, TheSerialTextNeverLeavesTheFolder)
{
    struct Case {
        std::u16string folder, serial, path;
    };
    const Case cases[] = {
        {u"/logs", u"0000000000000123", u"/logs/0000000000000123.txt"},
        {u"/logs/", u"ABC", u"/logs/ABC.txt"},
        {u"/logs", u"../../etc/passwd", u"/logs/.._.._etc_passwd.txt"},
        {u"/logs", u"a\\b:c*d?e\"f<g>h|i", u"/logs/a_b_c_d_e_f_g_h_i.txt"},
        {u"/logs", u"x\ny\x01", u"/logs/x_y_.txt"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResultTextFilePath(c.folder, c.serial), c.path);
}

class ResultLogRun : public UfdRunTest {
public:
    ResultLogRun()
    {
        Settings().USB_VID = u"0x1234";
        Settings().USB_PID = u"0x5678";
        Settings().TestProcedureMask = 0x3A; // the table and the CIS (a serial number)
        frame->SerialLengthText = u"16";
    }
    std::string LogFile() const { return station.folder.File("result.log"); }
    void UseSharedLog(const std::string& path) { frame->LogIni = std::make_unique<CIniFile>(platform::Utf8ToWide(path)); }
};

TEST_F(ResultLogRun, TheSharedLogHoldsOneSectionWithItsKeysInOrder)
{
    UseSharedLog(LogFile());
    ASSERT_EQ(Run().result, RunResult::Success);
    const std::vector<std::string> lines = Lines(ReadBytes(LogFile()));
    ASSERT_GE(lines.size(), 6u);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\[Device7  \d{4}/\d{1,2}/\d{1,2}  \d{1,2}:\d{1,2}:\d{1,2}\])")))
        << lines[0];
    EXPECT_EQ(lines[1], "Status=Run Success");
    EXPECT_EQ(lines[2], "SerialNumber=0000000000000501");
    EXPECT_EQ(lines[3], "VID=0x1234");
    EXPECT_EQ(lines[4], "PID=0x5678");
    EXPECT_EQ(lines[5], "==============================");
}

TEST_F(ResultLogRun, TheSerialNumberFilesStatusIsTheRunsResult)
{
    frame->FabrunMode |= 0x04;
    Settings().LogFilePath = station.folder.WideFolder();
    Settings().TestProcedureMask = 0x1A; // table and CIS
    drive.physicalCapacity = 0x1000;    // warning 39: the run goes on and passes
    UseSharedLog(LogFile());
    ASSERT_EQ(Run().result, RunResult::Success);
    const std::string file = station.folder.File("0000000000000501.txt");
    const std::vector<std::string> lines = Lines(ReadBytes(file));
    ASSERT_EQ(lines.size(), 4u) << ReadBytes(file);
    EXPECT_EQ(lines[1], "Status=Run Success");
    EXPECT_EQ(lines[2], "VID=0x1234");
    EXPECT_EQ(lines[3], "PID=0x5678");
    EXPECT_FALSE(std::filesystem::exists(LogFile())) << "one log only";
}

TEST_F(ResultLogRun, TheSharedLogShowsTheWarningOfARunThatPassedWithIt)
{
    UseSharedLog(LogFile());
    Settings().TestProcedureMask = 0x1A;
    drive.physicalCapacity = 0x1000;
    ASSERT_EQ(Run().result, RunResult::Success);
    EXPECT_EQ(Lines(ReadBytes(LogFile()))[1], "Status=Warming: Physical Capacity smaller than Setting Capacity");
}

TEST_F(ResultLogRun, AStoppedRunWritesNoLog)
{
    UseSharedLog(LogFile());
    Settings().TestProcedureMask = 0x17; // the images alone
    UseFile("lun0.img", Pattern(256 * 1024, 12), Settings().ImagePublicLunPath);
    drive.whileWriting = [this] { param.stopRequest = 1; };
    ASSERT_EQ(Run().result, RunResult::Stopped);
    EXPECT_FALSE(std::filesystem::exists(LogFile()));
}

TEST_F(ResultLogRun, ALogThatCannotBeWrittenLeavesTheRunsResult)
{
    struct Case {
        const char* name;
        std::function<void(ResultLogRun&)> setUp;
    };
    const Case cases[] = {
        {"shared log in a missing folder", [](ResultLogRun& t) { t.UseSharedLog(t.station.folder.File("none/result.log")); }},
        {"result files in a missing folder",
         [](ResultLogRun& t) {
             t.frame->FabrunMode |= 0x04;
             t.Settings().LogFilePath = t.station.folder.WideFile("none");
         }},
        // An empty folder would put the files at the root of the file system.
        {"result files without a folder",
         [](ResultLogRun& t) {
             t.frame->FabrunMode |= 0x04;
             t.Settings().LogFilePath = u"";
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        frame->FabrunMode = kFabrunModeFlashDrive;
        c.setUp(*this);
        EXPECT_EQ(RunAgain().result.result, RunResult::Success);
    }
    EXPECT_FALSE(std::filesystem::exists("/0000000000000503.txt"));
}

} // namespace
