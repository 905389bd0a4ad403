// A save that cannot write reports which files were not written; nothing is thrown and
// the file that can be written still is.
#include "engine/settings/main_frame_settings.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "tests/settings/settings_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class SettingsSaveFailure : public ::testing::Test {
protected:
    void SetUp() override
    {
        previousSink = platform::SetDebugSink([this](std::string_view line) { lines.emplace_back(line); });
        station.WriteFiles(FullCisKeys());
        settings.LoadSettings();
    }
    void TearDown() override { platform::SetDebugSink(previousSink); }

    bool Logged(const std::string& line) const { return std::find(lines.begin(), lines.end(), line) != lines.end(); }

    platform::DebugSink previousSink;
    std::vector<std::string> lines;
    StationFolder station;
    MainFrameSettings settings{station.program.WideFolder()};
};

TEST_F(SettingsSaveFailure, UnwritableCisFileIsReportedNotThrown)
{
    std::string missing = station.other.File("absent/cis.ini");
    settings.CisIni = std::make_unique<CIniFile>(platform::AnsiToWide(missing));
    SettingsSaveResult result;
    ASSERT_NO_THROW(result = settings.SaveCISSettings());
    EXPECT_FALSE(result.Saved());
    EXPECT_EQ(result.unwrittenFiles, std::vector<std::u16string>{platform::AnsiToWide(missing)});
    EXPECT_TRUE(Logged("SaveCISSettings: cannot write " + missing));
}

// A folder removed after the load: the save's writes succeed and the file's replace at
// the end of the save fails.
struct RemovedFolderCase {
    const char* name;
    bool stationFolder; // else the CIS file's folder
    const char* unwrittenLine;
};

class SettingsSaveRemovedFolder : public SettingsSaveFailure,
                                  public ::testing::WithParamInterface<RemovedFolderCase> {};

TEST_P(SettingsSaveRemovedFolder, TheFailedFileIsReportedAndTheOtherIsSaved)
{
    const RemovedFolderCase& c = GetParam();
    std::string failed = c.stationFolder ? station.StationIni() : station.CisIni();
    std::string saved = c.stationFolder ? station.CisIni() : station.StationIni();
    std::filesystem::remove_all(std::filesystem::path(failed).parent_path());
    settings.CisSetting.SNType = 5;
    settings.DevNoView = 4;
    SettingsSaveResult result;
    ASSERT_NO_THROW(result = settings.SaveSettings());
    EXPECT_EQ(result.unwrittenFiles, std::vector<std::u16string>{platform::AnsiToWide(failed)});
    EXPECT_TRUE(Logged(c.unwrittenLine + failed));
    std::string savedLine = c.stationFolder ? "\r\nSNType=5\r\n" : "\r\nDevNoView=4\r\n";
    EXPECT_NE(ReadBytes(saved).find(savedLine), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(std::filesystem::path(saved).parent_path()), {}), 1)
        << "a temporary file was left";
}

INSTANTIATE_TEST_SUITE_P(
    Folders, SettingsSaveRemovedFolder,
    ::testing::Values(RemovedFolderCase{"StationIni", true, "SaveSettings: cannot write "},
                      RemovedFolderCase{"CisIni", false, "SaveCISSettings: cannot write "}),
    [](const auto& info) { return std::string(info.param.name); });

// A value that no INI line can hold (here a line break typed by the operator) is not
// written; every other key still is, and the save names the file and the key.
TEST_F(SettingsSaveFailure, AKeyThatCannotBeWrittenIsReportedAndTheOthersAreSaved)
{
    settings.CisSetting.ProductStr = u"USB\nDISK";
    settings.CisSetting.SNType = 6;
    settings.CisSetting.SecurityFwFile[7] = u"/sec/new7.bin";
    SettingsSaveResult result;
    ASSERT_NO_THROW(result = settings.SaveCISSettings());
    EXPECT_FALSE(result.Saved());
    EXPECT_EQ(result.unwrittenFiles, std::vector<std::u16string>{platform::AnsiToWide(station.CisIni())});
    EXPECT_EQ(result.unwrittenKeys, std::vector<std::u16string>{u"ProductStr"});
    EXPECT_TRUE(Logged("SaveCISSettings: cannot write ProductStr to " + station.CisIni()));
    std::string text = ReadBytes(station.CisIni());
    EXPECT_NE(text.find("\r\nProductStr=USB DISK 2.0\r\n"), std::string::npos) << "the key keeps what it held";
    EXPECT_NE(text.find("\r\nSNType=6\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nSecurityFwFile7=/sec/new7.bin\r\n"), std::string::npos);
}

// A CIS file whose line ends were converted twice (CR CR LF): the CRs are no part of the
// values, so everything loads as it was meant and saves again whole.
TEST(SettingsLineEnds, AFileWithDoubledCarriageReturnsLoadsAndSavesEveryKey)
{
    StationFolder station;
    station.WriteFiles(FullCisKeys());
    std::string doubled;
    for (char c : ReadBytes(station.CisIni()))
        doubled += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteBytes(station.CisIni(), doubled);
    MainFrameSettings settings(station.program.WideFolder());
    settings.LoadSettings();
    EXPECT_EQ(settings.CisSetting.ManufactureStr, u"Tarvo Tech");
    EXPECT_EQ(settings.CisSetting.SecurityFwFile[7], u"/sec/7.bin");
    settings.CisSetting.SNType = 6;
    SettingsSaveResult result = settings.SaveCISSettings();
    EXPECT_TRUE(result.Saved());
    MainFrameSettings reloaded(station.program.WideFolder());
    reloaded.LoadSettings();
    EXPECT_EQ(reloaded.CisSetting.FilePathOfFW, u"/fw/chip.bin");
    EXPECT_EQ(Unpacked(reloaded.CisSetting.SNType), 6);
    EXPECT_EQ(reloaded.CisSetting.SecurityFwFile[7], u"/sec/7.bin");
}

TEST(SettingsSaveUnloaded, ASaveBeforeAnyLoadWritesNothing)
{
    ScratchFolder program;
    MainFrameSettings settings(program.WideFolder());
    SettingsSaveResult result = settings.SaveSettings();
    EXPECT_EQ(result.unwrittenFiles, (std::vector<std::u16string>{program.WideFile("Fabrun.ini"), u""}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(program.path()), {}), 0);
}

} // namespace
