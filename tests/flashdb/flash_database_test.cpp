// The flash-part database: a fixture stored by an independent scrambling script is read
// into its records, parts are found by their flash id, and a damaged file is refused.
#include "engine/flashdb/flash_part_database.h"
#include "engine/settings/main_frame_settings.h"
#include "platform/msgbox/msgbox.h"
#include "tests/profile/scratch_folder.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

std::string Fixture(const std::string& name)
{
    return ReadBytes(std::string(FABRUN_FLASHDB_FIXTURES) + "/" + name);
}

class FlashDatabase : public ::testing::Test {
protected:
    FlashDatabase()
    {
        platform::SetMessageBoxScript([this](const platform::MessageBoxRequest& request) {
            boxes.push_back(request.text);
            return IDOK;
        });
    }
    ~FlashDatabase() override { platform::SetMessageBoxScript({}); }

    // The text stored as the station stores it, by the test's own script.
    std::u16string Store(const std::string& text, int tail = 16384)
    {
        const std::string plain = folder.File("plain.txt");
        WriteBytes(plain, text);
        const std::string command = std::string(FABRUN_PYTHON3) + " " + FABRUN_FDB_SCRAMBLER + " " + plain + " " +
                                    folder.File("Kelvra.dll") + " " + std::to_string(tail);
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return folder.WideFile("Kelvra.dll");
    }

    std::string StoredBytes() const { return ReadBytes(folder.File("Kelvra.dll")); }

    ScratchFolder folder;
    std::vector<std::u16string> boxes;
};

std::string Name(const FlashPartRecord& record)
{
    return std::string(record.name, strnlen(record.name, sizeof record.name));
}

std::vector<int> Parameters(const FlashPartRecord& record)
{
    return std::vector<int>(record.parameters, record.parameters + sizeof record.parameters);
}

TEST(FlashPartTable, FieldsLieWhereTheRecordPutsThem)
{
    EXPECT_EQ(offsetof(FlashPartRecord, name), 0u);
    EXPECT_EQ(offsetof(FlashPartRecord, parameters), 64u);
    EXPECT_EQ(offsetof(FlashPartTable, Version), 0u);
    EXPECT_EQ(offsetof(FlashPartTable, ItemNum), 4u);
    EXPECT_EQ(offsetof(FlashPartTable, records), 8u);
    // Record offsets and widths of the numbers of a part line, in line order.
    const std::pair<std::size_t, std::size_t> expected[] = {
        {64, 1}, {65, 1}, {66, 1}, {67, 1}, {68, 1}, {69, 1}, {70, 1}, {71, 1}, {72, 1}, {73, 1}, {74, 1}, {75, 1}, {76, 1},
        {77, 1}, {78, 1}, {79, 1}, {80, 2}, {82, 2}, {84, 2}, {86, 1}, {87, 1}, {88, 2}, {90, 2}, {92, 2}, {94, 1}, {95, 1},
    };
    ASSERT_EQ(std::size(expected), kFlashPartFields.size());
    for (std::size_t i = 0; i < kFlashPartFields.size(); ++i) {
        EXPECT_EQ(64 + kFlashPartFields[i].offset, expected[i].first) << i;
        EXPECT_EQ(kFlashPartFields[i].width, expected[i].second) << i;
    }
}

TEST_F(FlashDatabase, ReadsThePartsOfAVendorSectionAndCountsThem)
{
    auto table = LoadFlashDatabase(Store(Fixture("hynix.txt")));
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(table->Version, 7);
    EXPECT_EQ(table->ItemNum, 3) << "the file said 5; 3 parts are in it";
    EXPECT_EQ(Name(table->records[0]), "H27UAG8T2A");
    EXPECT_EQ(Parameters(table->records[0]),
              (std::vector<int>{0xAD, 0xD5, 0x94, 0x25, 0x44, 0x41, 0x00, 0x00, 0x01, 0x02, 0x03, 0x0F, 0x04, 0x35, 0x02, 0x07,
                                0x00, 0x10, 0xE0, 0x00, 0x80, 0x00, 0x21, 0x22, 0x34, 0x12, 0xCD, 0xAB, 0x00, 0x00, 0x41, 0x42}));
    EXPECT_EQ(Name(table->records[1]), "H27UBG8T2B") << "the commented part and the short line are skipped";
    EXPECT_EQ(table->records[1].parameters[8], 0x11) << "tabs and runs of blanks separate tokens";
    EXPECT_EQ(Name(table->records[2]), "H27QCG8T2E");
    EXPECT_EQ(Parameters(table->records[2]),
              (std::vector<int>{0xAD, 0xDE, 0x94, 0xDA, 0x74, 0xC4, 0x00, 0x00, 1, 2, 3, 0xF, 4, 5, 3, 7,
                                0xFF, 0xFF, 0x01, 0x00, 0x00, 0x01, 0xFF, 0x00, 1, 0, 2, 0, 3, 0, 0, 0xFF}));
    EXPECT_EQ(Name(table->records[3]), "") << "nothing beyond the parts read";
}

TEST_F(FlashDatabase, FindsAPartByTheFirstFiveBytesOfItsId)
{
    auto table = LoadFlashDatabase(Store(Fixture("vendors.txt")));
    ASSERT_EQ(table->ItemNum, 3);
    const BYTE samsung[8] = {0xEC, 0xD7, 0x94, 0x7A, 0x54, 0xFF, 0xFF, 0xFF};
    const BYTE toshiba[8] = {0x98, 0xDE, 0x94, 0x93, 0x76, 0x00, 0x00, 0x00};
    const BYTE unknown[8] = {0xEC, 0xD7, 0x94, 0x7A, 0x55, 0x43, 0x00, 0x00};
    const BYTE blank[8] = {};
    const FlashPartRecord* part = FindFlashPart(*table, samsung);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(Name(*part), "K9GBG08U0A") << "the first of two parts with the same five id bytes";
    part = FindFlashPart(*table, toshiba);
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(Name(*part), std::string("TH58TEG8DDKTA20_A_VERY_LONG_PART_NAME_THAT_RUNS_PAST_THE_SIXTY_FOUR").substr(0, 63))
        << "a long name keeps 63 characters";
    EXPECT_EQ(part->parameters[20], 0x00);
    EXPECT_EQ(part->parameters[21], 0x01);
    EXPECT_EQ(FindFlashPart(*table, unknown), nullptr);
    EXPECT_EQ(FindFlashPart(*table, blank), nullptr) << "the empty records are not parts";
}

TEST_F(FlashDatabase, LoadingLeavesTheFileAsItWas)
{
    const std::u16string path = Store(Fixture("hynix.txt"));
    const std::string before = StoredBytes();
    struct stat statBefore {};
    ASSERT_EQ(stat(folder.File("Kelvra.dll").c_str(), &statBefore), 0);
    for (int load = 0; load < 2; ++load) {
        auto table = LoadFlashDatabase(path);
        EXPECT_EQ(table->ItemNum, 3) << "load " << load << ": the same parts every time";
    }
    struct stat statAfter {};
    ASSERT_EQ(stat(folder.File("Kelvra.dll").c_str(), &statAfter), 0);
    EXPECT_EQ(StoredBytes(), before);
    EXPECT_EQ(statAfter.st_mtim.tv_sec, statBefore.st_mtim.tv_sec);
    EXPECT_EQ(statAfter.st_mtim.tv_nsec, statBefore.st_mtim.tv_nsec);
    EXPECT_EQ(statAfter.st_ino, statBefore.st_ino);
}

std::string PartLine(const std::string& name, int idByte)
{
    char id[8];
    std::snprintf(id, sizeof id, "0x%02X", idByte & 0xFF);
    return name + " 0x2C " + id + " 0x00 0x00 0x00 0x00 0x00 0x00 0x00 0x00 0x00 0x00 0x00 0x00 0x00 0x00 0x0000 0x0000 "
                                 "0x0040 0x00 0x00 0x0000 0x0000 0x0000 0x00 0x00\r\n";
}

TEST_F(FlashDatabase, KeepsTwoHundredPartsAndChecksTheRest)
{
    std::string text = "ItemNum=205\r\n[Micron]\r\n";
    for (int part = 0; part < 205; ++part)
        text += PartLine("MT" + std::to_string(part), part);
    text += "[EndSubItem]\r\n";
    auto table = LoadFlashDatabase(Store(text));
    EXPECT_EQ(table->ItemNum, 200);
    EXPECT_EQ(Name(table->records[199]), "MT199");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FlashDatabase, AnItemNumOfZeroEndsTheReading)
{
    auto table = LoadFlashDatabase(Store("[Intel]\r\n" + PartLine("JS29F", 1) + "[EndSubItem]\r\nItemNum=0\r\n[Intel]\r\nbroken part\r\n"));
    EXPECT_EQ(table->ItemNum, 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(FlashDatabase, AFileOfOnlyItsTailHoldsNoParts)
{
    auto table = LoadFlashDatabase(Store(""));
    EXPECT_EQ(table->ItemNum, 0);
    EXPECT_TRUE(boxes.empty());
}

struct RefusedCase {
    const char* what;
    std::string text;
    int tail = 16384;
};

TEST_F(FlashDatabase, ADamagedFileIsRefusedAndLeavesTheTableEmpty)
{
    const std::string good = "[Hynix]\r\n" + PartLine("H27", 1);
    std::string longLine = "# " + std::string(259, 'x') + "\r\n";
    const RefusedCase cases[] = {
        {"shorter than its tail", good + "[EndSubItem]\r\n", 100},
        {"tail only partly there", "", 16383},
        {"cut before the end of its section", good},
        {"a part with a number missing", "[Hynix]\r\nH27 0xAD 0xD5 0x94 0x25 0x44 0x41 0x00 0x00\r\n[EndSubItem]\r\n"},
        {"a number without its prefix", "[Hynix]\r\n" + PartLine("H27", 1).replace(4, 4, "2C  ") + "[EndSubItem]\r\n"},
        {"a number that is not hexadecimal", "[Hynix]\r\n" + PartLine("H27", 1).replace(4, 4, "0xZZ") + "[EndSubItem]\r\n"},
        {"a byte too large", "[Hynix]\r\n" + PartLine("H27", 1).replace(4, 4, "0x100") + "[EndSubItem]\r\n"},
        {"a line too long", good + longLine + "[EndSubItem]\r\n"},
    };
    for (const RefusedCase& c : cases) {
        boxes.clear();
        auto table = LoadFlashDatabase(Store(c.text, c.tail));
        EXPECT_EQ(boxes, std::vector<std::u16string>{u"Can't open fdb file"}) << c.what;
        EXPECT_EQ(table->ItemNum, 0) << c.what;
        EXPECT_EQ(Name(table->records[0]), "") << c.what;
    }
}

TEST_F(FlashDatabase, AFileStoredWithoutItsScramblingIsRefused)
{
    const std::string text = Fixture("hynix.txt");
    WriteBytes(folder.File("Kelvra.dll"), text + std::string(16384, ' '));
    auto table = LoadFlashDatabase(folder.WideFile("Kelvra.dll"));
    EXPECT_EQ(boxes, std::vector<std::u16string>{u"Can't open fdb file"});
    EXPECT_EQ(table->ItemNum, 0);
}

TEST_F(FlashDatabase, AMissingFileTellsTheOperator)
{
    auto table = LoadFlashDatabase(folder.WideFile("Kelvra.dll"));
    EXPECT_EQ(boxes, std::vector<std::u16string>{u"Can't open fdb file"});
    EXPECT_EQ(table->ItemNum, 0);
}

TEST_F(FlashDatabase, ThePathIsBesideTheProgram)
{
    MainFrameSettings frame(folder.WideFolder());
    frame.LoadSettings();
    EXPECT_EQ(FlashDatabasePath(frame), folder.WideFile("Kelvra.dll"));
}

TEST_F(FlashDatabase, ADevicesPartGoesIntoTheSettingsAndAnUnknownFlashClearsIt)
{
    auto table = LoadFlashDatabase(Store(Fixture("hynix.txt")));
    CISSetting settings;
    std::memset(settings.CISImage.bytes, 0x5A, sizeof settings.CISImage.bytes);
    const BYTE hynix[8] = {0xAD, 0xD7, 0x94, 0x9A, 0x74, 0x42, 0x00, 0x00};
    EXPECT_TRUE(SelectFlashPart(settings, *table, hynix));
    EXPECT_EQ(settings.FlashPartName.Get(), u"H27UBG8T2B");
    EXPECT_EQ(std::memcmp(settings.CISImage.bytes + 256, table->records[1].parameters, 32), 0);
    EXPECT_EQ(settings.CISImage.bytes[255], 0x5A);
    EXPECT_EQ(settings.CISImage.bytes[288], 0x5A);

    const BYTE other[8] = {0x45, 0x3C, 0x98, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_FALSE(SelectFlashPart(settings, *table, other));
    EXPECT_EQ(settings.FlashPartName.Get(), u"");
    EXPECT_EQ(std::vector<int>(settings.CISImage.bytes + 256, settings.CISImage.bytes + 288), std::vector<int>(32, 0))
        << "no flash parameters of the device before are left";
    EXPECT_EQ(settings.CISImage.bytes[288], 0x5A);
}

} // namespace
