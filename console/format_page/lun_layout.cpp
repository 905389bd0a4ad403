#include "console/format_page/lun_layout.h"

#include "portwarden/records.h"

#include <algorithm>

namespace {

constexpr ULONGLONG kLargestSectorField = 0xFFFFFFFFull;
constexpr DWORD kSectorsPerMB = 2048;

DWORD SectorField(ULONGLONG sectors)
{
    return static_cast<DWORD>(std::min(sectors, kLargestSectorField));
}

int MegabytesOf(ULONGLONG sectors)
{
    return static_cast<int>(sectors >> 11);
}

} // namespace

ULONGLONG FlashTargetSectors(BYTE sizeCode, BYTE ceCount, BYTE channelCount)
{
    const ULONGLONG raw = (0x200000ull << (sizeCode & 0x0F)) * ceCount * channelCount;
    return raw / 100 * 95;
}

ULONGLONG ReadCapacityLastLba(const DiskEntry& disk)
{
    ULONGLONG lastLba = 0;
    for (int i = 0; i < 4; ++i)
        lastLba = (lastLba << 8) | disk.capacity[i];
    return lastLba;
}

bool LunLayout::Present(int lun) const
{
    return (setting_.LunTypeBitMap & (1u << lun)) != 0;
}

DWORD LunLayout::Capacity(int lun) const
{
    return setting_.CISImage.Dword(cis::kLunCapacity + 4 * lun);
}

void LunLayout::SetCapacity(int lun, DWORD sectors)
{
    setting_.CISImage.SetDword(cis::kLunCapacity + 4 * lun, sectors);
}

DWORD LunLayout::StartLba(int lun) const
{
    return setting_.CISImage.Dword(cis::kLunStartLba + 4 * lun);
}

void LunLayout::SetStartLba(int lun, DWORD sector)
{
    setting_.CISImage.SetDword(cis::kLunStartLba + 4 * lun, sector);
}

BYTE LunLayout::Type(int lun) const
{
    return setting_.ImageType[lun] & kImageTypeMask;
}

DWORD LunLayout::SetTarget(ULONGLONG targetSectors)
{
    ULONGLONG sum = 0;
    for (int lun = 0; lun < 4; ++lun)
        sum += Capacity(lun);
    TotalSectors = SectorField(targetSectors == 0 || targetSectors == sum ? sum : targetSectors);
    return TotalSectors > StartLba(0) ? TotalSectors - StartLba(0) : 0;
}

RemainingView LunLayout::UpdateRemaining()
{
    RemainSectors = AvailableSectors;
    RemainingView view{};
    view.availableMB = MegabytesOf(AvailableSectors);
    for (int lun = 0; lun < 4; ++lun) {
        if (!Present(lun))
            continue;
        if (RemainSectors < Capacity(lun)) {
            SetCapacity(lun, RemainSectors);
            RemainSectors = 0;
        } else {
            RemainSectors -= Capacity(lun);
        }
        if (lun == 0 && Type(0) == kImageFat16 && (Capacity(0) & ~(kSectorsPerMB - 1)) > kFat16LunLimit + 2047) {
            RemainSectors = SectorField(ULONGLONG{RemainSectors} + Capacity(0) - kFat16LunLimit);
            SetCapacity(0, kFat16LunLimit);
        }
    }
    for (int lun = 0; lun < 4; ++lun) {
        const ULONGLONG behindStart = TotalSectors > StartLba(lun) ? TotalSectors - StartLba(lun) : 0;
        const ULONGLONG room = Capacity(lun) < behindStart ? ULONGLONG{Capacity(lun)} + RemainSectors : behindStart;
        view.sliders[lun] = {MegabytesOf(room), MegabytesOf(Capacity(lun))};
    }
    view.remainMB = MegabytesOf(RemainSectors);
    return view;
}

bool LunLayout::SetCapacityMB(DWORD megabytes, int lun)
{
    if (megabytes > kLargestCapacityMB)
        return false;
    const DWORD sectors = megabytes * kSectorsPerMB;
    if (sectors > Capacity(lun)) {
        const bool fitsFreeSpace = sectors - Capacity(lun) <= RemainSectors;
        const bool fitsTarget = ULONGLONG{StartLba(lun)} + sectors <= TotalSectors;
        if (!fitsFreeSpace || !fitsTarget)
            return false;
    }
    SetCapacity(lun, sectors);
    return true;
}

std::vector<int> LunLayout::PackStartLBAs(int lun)
{
    std::vector<int> moved;
    if ((setting_.LunTypeBitMap & kLunAutoTune) == 0 || lun < 0 || lun > 3 || Capacity(lun) == 0)
        return moved;
    DWORD lowest = 0;
    for (int below = lun - 1; below >= 0; --below)
        if (Capacity(below) != 0) {
            lowest = SectorField(ULONGLONG{StartLba(below)} + Capacity(below));
            break;
        }
    if (StartLba(lun) < lowest) {
        SetStartLba(lun, lowest);
        moved.push_back(lun);
    }
    DWORD end = SectorField(ULONGLONG{StartLba(lun)} + Capacity(lun));
    for (int next = lun + 1; next < 4; ++next) {
        if (Capacity(next) == 0 || StartLba(next) >= end)
            continue;
        SetStartLba(next, end);
        moved.push_back(next);
        end = SectorField(ULONGLONG{end} + Capacity(next));
    }
    return moved;
}
