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

TEST_F(SettingsSaveFailure, UnwritableStationFileStillSavesTheCisSettings)
{
    std::filesystem::remove_all(station.program.path());
    settings.CisSetting.SNType = 5;
    SettingsSaveResult result;
    ASSERT_NO_THROW(result = settings.SaveSettings());
    EXPECT_EQ(result.unwrittenFiles, std::vector<std::u16string>{platform::AnsiToWide(station.StationIni())});
    EXPECT_TRUE(Logged("SaveSettings: cannot write " + station.StationIni()));
    EXPECT_NE(ReadBytes(station.CisIni()).find("\r\nSNType=5\r\n"), std::string::npos);
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
