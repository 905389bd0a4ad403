// The format page's sector bookkeeping on a settings record: the target's size, what the
// present LUNs leave, which typed capacities are taken and where Auto Tune puts the starts.
#include "console/format_page/lun_layout.h"
#include "portwarden/records.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

constexpr DWORD MB = 2048;
using Quad = std::array<DWORD, 4>;

struct Record {
    CISSetting setting;
    LunLayout layout{setting};

    Record(DWORD lunBits, Quad capacities, Quad starts = {}, BYTE lun0Type = 2)
    {
        setting.LunTypeBitMap = lunBits;
        setting.ImageType[0] = lun0Type;
        for (int lun = 0; lun < 4; ++lun) {
            layout.SetCapacity(lun, capacities[lun]);
            layout.SetStartLba(lun, starts[lun]);
        }
    }
    Quad Capacities() const { return {layout.Capacity(0), layout.Capacity(1), layout.Capacity(2), layout.Capacity(3)}; }
    Quad Starts() const { return {layout.StartLba(0), layout.StartLba(1), layout.StartLba(2), layout.StartLba(3)}; }
};

TEST(FormatFlashTarget, IsNinetyFivePercentOfTheFlashWithoutWrapping)
{
    struct Case {
        BYTE code, ce, channels;
        ULONGLONG sectors;
    } cases[] = {
        {0, 1, 1, 0x200000ull / 100 * 95},
        {3, 2, 2, (0x200000ull << 3) * 4 / 100 * 95},
        {0x13, 1, 1, (0x200000ull << 3) / 100 * 95}, // only the low nibble counts
        // 2^35 sectors: 32-bit arithmetic would give 0.
        {10, 4, 4, (1ull << 35) / 100 * 95},
        {15, 4, 4, (1ull << 40) / 100 * 95},
        {2, 0, 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FlashTargetSectors(c.code, c.ce, c.channels), c.sectors) << int(c.code) << " " << int(c.ce);
}

TEST(FormatFlashTarget, ReadCapacityGivesTheBigEndianLastLba)
{
    DiskEntry disk{};
    const BYTE reply[8] = {0x00, 0x3B, 0x9F, 0xFF, 0x00, 0x00, 0x02, 0x00};
    std::copy(std::begin(reply), std::end(reply), disk.capacity);
    EXPECT_EQ(ReadCapacityLastLba(disk), 0x003B9FFFull);
}

TEST(FormatLayout, TargetSetsTotalAndWhatLiesBehindLunZerosStart)
{
    struct Case {
        const char* name;
        Quad capacities;
        DWORD start0;
        ULONGLONG target;
        DWORD total, behind;
    } cases[] = {
        {"unknown target: the capacities' sum", {1000, 2000, 0, 0}, 0, 0, 3000, 3000},
        {"target equal to the sum", {1000, 2000, 0, 0}, 0, 3000, 3000, 3000},
        {"a device's own size", {1000, 2000, 0, 0}, 0x800, 1000000, 1000000, 1000000 - 0x800},
        {"start beyond the target leaves nothing", {1000, 0, 0, 0}, 5000, 4000, 4000, 0},
        {"a sum beyond 32 bits is kept at the largest field", {0xFFFFFFFF, 0xFFFFFFFF, 2, 0}, 0, 0, 0xFFFFFFFF,
         0xFFFFFFFF},
        {"a flash beyond 32 bits is kept at the largest field", {0, 0, 0, 0}, 0x100, (1ull << 35) / 100 * 95,
         0xFFFFFFFF, 0xFFFFFFFF - 0x100},
    };
    for (const Case& c : cases) {
        Record record(0x0F, c.capacities, {c.start0, 0, 0, 0});
        EXPECT_EQ(record.layout.SetTarget(c.target), c.behind) << c.name;
        EXPECT_EQ(record.layout.TotalSectors, c.total) << c.name;
    }
}

TEST(FormatLayout, RemainingSpaceAndSliders)
{
    struct Case {
        const char* name;
        DWORD lunBits;
        BYTE lun0Type;
        Quad capacities;
        DWORD available;
        Quad capacitiesAfter;
        DWORD remain;
        std::array<CapacitySlider, 4> sliders;
    } cases[] = {
        {"a FAT16 LUN 0 of 3000 MB is cut to 2000 MB, the rest stays free", 0x01, 1, {3000 * MB, 0, 0, 0}, 8000 * MB,
         {4096000, 0, 0, 0}, 6000 * MB, {{{8000, 2000}, {6000, 0}, {6000, 0}, {6000, 0}}}},
        {"FAT16 up to 2000 MB and a part of one is left", 0x01, 1, {4096000 + 2047, 0, 0, 0}, 8000 * MB,
         {4096000 + 2047, 0, 0, 0}, 8000 * MB - 4096000 - 2047, {{{8000, 2000}, {5999, 0}, {5999, 0}, {5999, 0}}}},
        {"FAT32 is not cut", 0x01, 2, {3000 * MB, 0, 0, 0}, 8000 * MB, {3000 * MB, 0, 0, 0}, 5000 * MB,
         {{{8000, 3000}, {5000, 0}, {5000, 0}, {5000, 0}}}},
        {"what does not fit is cut to what is left", 0x03, 2, {100 * MB, 500 * MB, 0, 0}, 300 * MB,
         {100 * MB, 200 * MB, 0, 0}, 0, {{{100, 100}, {200, 200}, {0, 0}, {0, 0}}}},
        {"an absent LUN takes nothing", 0x05, 2, {100 * MB, 500 * MB, 50 * MB, 0}, 300 * MB,
         {100 * MB, 500 * MB, 50 * MB, 0}, 150 * MB, {{{250, 100}, {300, 500}, {200, 50}, {150, 0}}}},
    };
    for (const Case& c : cases) {
        Record record(c.lunBits, c.capacities, {}, c.lun0Type);
        record.layout.TotalSectors = c.available;
        record.layout.AvailableSectors = c.available;
        const RemainingView view = record.layout.UpdateRemaining();
        EXPECT_EQ(record.Capacities(), c.capacitiesAfter) << c.name;
        EXPECT_EQ(record.layout.RemainSectors, c.remain) << c.name;
        EXPECT_EQ(view.availableMB, static_cast<int>(c.available >> 11)) << c.name;
        EXPECT_EQ(view.remainMB, static_cast<int>(c.remain >> 11)) << c.name;
        for (int lun = 0; lun < 4; ++lun) {
            EXPECT_EQ(view.sliders[lun].maximum, c.sliders[lun].maximum) << c.name << " LUN " << lun;
            EXPECT_EQ(view.sliders[lun].position, c.sliders[lun].position) << c.name << " LUN " << lun;
        }
    }
}

TEST(FormatLayout, TypedCapacityIsTakenOnlyWhereItFits)
{
    struct Case {
        const char* name;
        DWORD megabytes;
        DWORD start1;
        bool taken;
    } cases[] = {
        {"smaller than now", 50, 0, true},
        {"zero", 0, 0, true},
        {"growth within the free space", 100 + 400, 0, true},
        {"growth beyond the free space", 100 + 401, 0, false},
        {"growth beyond the target's end", 300, 900 * MB, false},
        {"above 0x1FFFFF MB", 0x200000, 0, false},
        {"the product would wrap 32 bits", 0x200000 + 50, 0, false},
    };
    for (const Case& c : cases) {
        Record record(0x03, {200 * MB, 100 * MB, 0, 0}, {0, c.start1, 0, 0});
        record.layout.TotalSectors = 1000 * MB;
        record.layout.RemainSectors = 400 * MB;
        EXPECT_EQ(record.layout.SetCapacityMB(c.megabytes, 1), c.taken) << c.name;
        EXPECT_EQ(record.layout.Capacity(1), c.taken ? c.megabytes * MB : 100 * MB) << c.name;
    }
}

TEST(FormatLayout, AutoTunePacksTheStarts)
{
    struct Case {
        const char* name;
        DWORD lunBits;
        Quad capacities;
        Quad starts;
        int lun;
        Quad startsAfter;
        std::vector<int> moved;
    } cases[] = {
        {"LUN 1 moves up behind a 100 MB LUN 0", kLunAutoTune | 0x03, {100 * MB, 10 * MB, 0, 0}, {0, 0x100, 0, 0}, 1,
         {0, 0x32000, 0, 0}, {1}},
        {"a start already behind is kept", kLunAutoTune | 0x03, {100 * MB, 10 * MB, 0, 0}, {0, 0x40000, 0, 0}, 1,
         {0, 0x40000, 0, 0}, {}},
        {"later LUNs follow one another", kLunAutoTune | 0x0F, {100 * MB, 50 * MB, 10 * MB, 0}, {0, 0, 0, 0x10}, 1,
         {0, 0x32000, 0x4B000, 0x10}, {1, 2}},
        {"a LUN below without capacity is passed over", kLunAutoTune | 0x0F, {100 * MB, 0, 10 * MB, 0}, {0, 0, 5, 0}, 2,
         {0, 0, 0x32000, 0}, {2}},
        {"a LUN left in place does not move the next one's minimum", kLunAutoTune | 0x0F,
         {100 * MB, 50 * MB, 10 * MB, MB}, {0, 0x32000, 0x100000, 0x60000}, 1, {0, 0x32000, 0x100000, 0x60000}, {}},
        {"no Auto Tune", 0x03, {100 * MB, 10 * MB, 0, 0}, {0, 0x100, 0, 0}, 1, {0, 0x100, 0, 0}, {}},
        {"a LUN without capacity", kLunAutoTune | 0x03, {100 * MB, 0, 0, 0}, {0, 0x100, 0, 0}, 1, {0, 0x100, 0, 0}, {}},
        {"nothing after LUN 3", kLunAutoTune | 0x0F, {100 * MB, 0, 0, 0}, {0, 0, 0, 0}, 4, {0, 0, 0, 0}, {}},
        {"an end beyond 32 bits is kept at the largest field", kLunAutoTune | 0x03, {0xFFFFF000, 10, 0, 0},
         {0x2000, 0, 0, 0}, 1, {0x2000, 0xFFFFFFFF, 0, 0}, {1}},
    };
    for (const Case& c : cases) {
        Record record(c.lunBits, c.capacities, c.starts);
        EXPECT_EQ(record.layout.PackStartLBAs(c.lun), c.moved) << c.name;
        EXPECT_EQ(record.Starts(), c.startsAfter) << c.name;
    }
}

} // namespace
