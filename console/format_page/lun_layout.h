// The format page's sector bookkeeping over the LUN fields of the settings record: how
// many sectors the target has, what the present LUNs leave free, which capacity may be
// taken, and where each LUN starts when the starts follow each other. Sector values are
// 512-byte sectors; the page shows them in MB (sectors >> 11). Sums are taken in 64 bits
// and kept to what a 32-bit sector field holds.
#pragma once

#include "engine/settings/cis_setting.h"
#include "platform/base/wintypes.h"

#include <array>
#include <vector>

struct DiskEntry;

// LunTypeBitMap bits of the page.
constexpr DWORD kLunPresentMask = 0x0F;       // bits 0-3: LUN n present
constexpr DWORD kLunCapFromCis = 1u << 15;    // capacities from the device's CIS
constexpr DWORD kLunZeroTakesRest = 1u << 25; // LUN 0 gets all available space
constexpr DWORD kLunAutoTune = 1u << 31;      // each start follows the LUN before it

// ImageType bits (the build request's type byte).
constexpr BYTE kImageTypeMask = 0x0F;
constexpr BYTE kImageCopySource = 0x40;
constexpr BYTE kImageWithMbr = 0x80;
constexpr BYTE kImageFat16 = 1;
constexpr BYTE kImageNtfs = 4;

// The largest FAT16 LUN 0 the page lets stand: 2000 MB.
constexpr DWORD kFat16LunLimit = 4096000;
// The largest capacity the operator may type, in MB.
constexpr DWORD kLargestCapacityMB = 0x1FFFFF;

// 95 % of a flash of (0x200000 << sizeCode) sectors per CE and channel.
ULONGLONG FlashTargetSectors(BYTE sizeCode, BYTE ceCount, BYTE channelCount);
// The last LBA of a disk's READ CAPACITY reply (0 when it was not read).
ULONGLONG ReadCapacityLastLba(const DiskEntry& disk);

// One slider: its range 0..maximum and its position, in MB.
struct CapacitySlider {
    int maximum;
    int position;
};

// What UpdateRemaining leaves for the page to show.
struct RemainingView {
    int availableMB;
    int remainMB;
    std::array<CapacitySlider, 4> sliders;
};

class LunLayout {
public:
    explicit LunLayout(CISSetting& setting) : setting_(setting) {}

    DWORD TotalSectors = 0;
    DWORD AvailableSectors = 0;
    DWORD RemainSectors = 0;

    // TotalSectors from the target's size (0 when unknown): the sum of the four capacities
    // stands in when the target is unknown or equals that sum. Returns what lies behind
    // LUN 0's start (0 when the start lies beyond the target).
    DWORD SetTarget(ULONGLONG targetSectors);

    // The present LUNs take their capacities from AvailableSectors in order; what does not
    // fit is cut, and a FAT16 LUN 0 above 2000 MB is cut to 2000 MB.
    RemainingView UpdateRemaining();

    // A typed capacity: true when LUN n takes it; false leaves the capacity as it was.
    bool SetCapacityMB(DWORD megabytes, int lun);

    // With Auto Tune, LUN n starts after the nearest LUN below it that has a capacity, and
    // every later LUN that would overlap is moved up behind the one before it. Returns the
    // LUNs whose starts changed.
    std::vector<int> PackStartLBAs(int lun);

    bool Present(int lun) const;
    DWORD Capacity(int lun) const;
    void SetCapacity(int lun, DWORD sectors);
    DWORD StartLba(int lun) const;
    void SetStartLba(int lun, DWORD sector);
    BYTE Type(int lun) const;

private:
    CISSetting& setting_;
};
