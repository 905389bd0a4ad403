// A whole flash drive behind a fake server, for the flash-drive worker's tests: the CIS,
// ISP and boot-code blocks of FakeFlashDrive, a system address block, the NAND-format
// slots (the found blocks and the physical capacity the table build reports), a sparse
// disk with its volume lock, timed transfers and on-device builds. Every slot call is
// recorded by name; any call can be planned to return another result.
#pragma once

#include "fsbuild/fs_build_params.h"
#include "portwarden/block_map.h"
#include "portwarden/flash_params.h"
#include "portwarden/sys_address_block.h"
#include "tests/datablocks/fake_flash_drive.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct DeviceBuild {
    FsBuildParams params;
    std::u16string label, source, image;
};

class FakeUfdDrive : public FakeFlashDrive {
public:
    static constexpr DWORD kSectorBytes = 512;
    static constexpr DWORD kTicks = 2000; // every timed command's time, in counter ticks

    FakeUfdDrive() { std::fill(std::begin(sysAddress.addresses[0]), std::end(sysAddress.addresses[0]), BYTE{0xFF}); }

    // The next calls of `slot` return these results, one each, instead of their own.
    void Plan(const std::string& slot, std::vector<INT> results)
    {
        std::lock_guard guard(lock_);
        auto& queue = planned_[slot];
        queue.insert(queue.end(), results.begin(), results.end());
    }
    // Every call of `slot` from now on returns `result`.
    void Always(const std::string& slot, INT result)
    {
        std::lock_guard guard(lock_);
        always_[slot] = result;
    }
    unsigned Count(const std::string& slot) const
    {
        std::lock_guard guard(lock_);
        return static_cast<unsigned>(std::count(slotCalls.begin(), slotCalls.end(), slot));
    }
    std::vector<std::string> Slots() const
    {
        std::lock_guard guard(lock_);
        return slotCalls;
    }
    // What the disk holds from `lba` on (zeros where never written).
    std::vector<BYTE> Sectors(DWORD lba, DWORD count) const
    {
        std::lock_guard guard(lock_);
        std::vector<BYTE> bytes(std::size_t{count} * kSectorBytes, 0);
        for (DWORD i = 0; i < count; ++i)
            if (auto found = disk_.find(lba + i); found != disk_.end())
                std::memcpy(bytes.data() + std::size_t{i} * kSectorBytes, found->second.data(), kSectorBytes);
        return bytes;
    }
    void SetSectors(DWORD lba, const std::vector<BYTE>& bytes)
    {
        std::lock_guard guard(lock_);
        Store(lba, bytes.data(), static_cast<DWORD>(bytes.size()));
    }

    // The device's state and answers.
    SysAddressBlock sysAddress{};            // first address 0xFFFFFFFF: no system area yet
    std::function<void(BYTE*)> sysAddressOnFailure = [](BYTE*) {};
    std::array<MapPtrEntry, 4> foundBlocks{{{0, 0, 1, 2}, {0, 0, 1, 3}, {0, 0, 1, 4}, {0, 0, 1, 5}}};
    INT foundCount = 4;
    DWORD physicalCapacity = 0x40000;        // what the table build reports, in sectors
    DWORD lastLba = 0x7FFFF;
    std::function<void(DWORD lba, BYTE* data, DWORD bytes)> damageCheckRead = [](DWORD, BYTE*, DWORD) {};
    std::function<void()> whileWriting = [] {};

    // What the worker sent.
    std::vector<std::string> slotCalls;
    std::vector<WORD> scanSizes;
    std::vector<BYTE> scanConfigs;
    std::vector<UFDFlashParams> flashParams;
    std::vector<DeviceBuild> builds;
    std::vector<std::pair<DWORD, DWORD>> diskWrites; // lba, bytes
    std::vector<HANDLE> unlockedVolumes;
    bool locked = false;
    bool wroteWhileUnlocked = false;

    INT ReadSYSAddress(HANDLE*, BYTE, BYTE rd, BYTE* buffer64) override
    {
        if (INT r; Planned("ReadSYSAddress", r) && r != 1) {
            sysAddressOnFailure(buffer64);
            return r;
        }
        if (rd == 1)
            std::memcpy(buffer64, &sysAddress, sizeof sysAddress);
        return 1;
    }
    INT INITISP_UFD(HANDLE*, BYTE, INT, INT, const BYTE*) override { return Result("INITISP_UFD"); }
    INT ScanFlashBlock(HANDLE*, BYTE, UFDPortBlockMap*, WORD, WORD pageDataSize, BYTE config) override
    {
        scanSizes.push_back(pageDataSize);
        scanConfigs.push_back(config);
        return Result("ScanFlashBlock");
    }
    INT FindISPAndCISUseBlock(HANDLE*, BYTE, UFDPortBlockMap*, MapPtr* found, UFDFlashParams* params) override
    {
        flashParams.push_back(*params);
        if (INT r; Planned("FindISPAndCISUseBlock", r))
            return r;
        found->count = foundCount;
        std::copy_n(foundBlocks.begin(), foundCount, found->entries);
        return 1;
    }
    INT BuildUFDSystemTable(HANDLE*, BYTE, UFDPortBlockMap*, UFDFlashParams*, BYTE* part2) override
    {
        std::memcpy(part2 + 60, &physicalCapacity, 4); // image bytes 316..319, host order
        return Result("BuildUFDSystemTable");
    }
    INT CPUReset_UFD(HANDLE*, BYTE) override { return Result("CPUReset_UFD"); }
    INT UFDCacheClear_UFD(HANDLE*, BYTE) override { return Result("UFDCacheClear_UFD"); }
    INT ReadCapacity(HANDLE*, BYTE, DWORD* last, DWORD* blockLength) override
    {
        const INT r = Result("ReadCapacity");
        *last = r == 1 ? lastLba : 0;
        *blockLength = r == 1 ? kSectorBytes : 0;
        return r;
    }
    INT Disk_Lock(HANDLE*, BYTE, HANDLE* volume) override
    {
        *volume = kVolume;
        const INT r = Result("Disk_Lock");
        locked = r == 1;
        return r;
    }
    INT Disk_Unlock(HANDLE*, BYTE, HANDLE volume) override
    {
        unlockedVolumes.push_back(volume);
        locked = false;
        return Result("Disk_Unlock");
    }
    INT WriteDisk(HANDLE*, BYTE, DWORD lba, DWORD byteCount, const BYTE* buffer) override
    {
        diskWrites.emplace_back(lba, byteCount);
        wroteWhileUnlocked |= !locked;
        whileWriting();
        if (INT r = Result("WriteDisk"); r != 1)
            return r;
        std::lock_guard guard(lock_);
        Store(lba, buffer, byteCount);
        return 1;
    }
    INT ReadDiskEx(HANDLE*, BYTE, BYTE, DWORD lba, DWORD byteCount, BYTE* buffer, DWORD* ticks) override
    {
        *ticks = 0;
        if (INT r = Result("ReadDiskEx"); r != 1)
            return r;
        const std::vector<BYTE> bytes = Sectors(lba, byteCount / kSectorBytes);
        std::memcpy(buffer, bytes.data(), byteCount);
        if (++reads_ % 2 == 0) // every second read is the check read of the stress test
            damageCheckRead(lba, buffer, byteCount);
        *ticks = kTicks;
        return 1;
    }
    INT WriteDiskEx(HANDLE*, BYTE, BYTE, DWORD lba, DWORD byteCount, const BYTE* buffer, DWORD* ticks) override
    {
        *ticks = 0;
        wroteWhileUnlocked |= !locked;
        if (INT r = Result("WriteDiskEx"); r != 1)
            return r;
        std::lock_guard guard(lock_);
        Store(lba, buffer, byteCount);
        *ticks = kTicks;
        return 1;
    }
    INT BuildPhyDiskFileSystemW(HANDLE*, BYTE, FsBuildParams* params) override
    {
        builds.push_back({*params, Wide(params->pszLabel), Wide(params->pszSourcePath), Wide(params->pszImagePath)});
        const INT r = Result("BuildPhyDiskFileSystemW");
        params->u8Progress = 100;
        params->i32Status = r == 1 ? 0 : 32;
        return r;
    }

    static inline const HANDLE kVolume = reinterpret_cast<HANDLE>(0x5A5A);

private:
    static std::u16string Wide(const char* field)
    {
        return field == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t*>(field));
    }
    void Store(DWORD lba, const BYTE* data, DWORD bytes)
    {
        for (DWORD at = 0; at + kSectorBytes <= bytes; at += kSectorBytes)
            std::memcpy(disk_[lba + at / kSectorBytes].data(), data + at, kSectorBytes);
    }
    bool Planned(const std::string& slot, INT& result)
    {
        std::lock_guard guard(lock_);
        slotCalls.push_back(slot);
        if (auto queue = planned_.find(slot); queue != planned_.end() && !queue->second.empty()) {
            result = queue->second.front();
            queue->second.pop_front();
            return true;
        }
        if (auto fixed = always_.find(slot); fixed != always_.end()) {
            result = fixed->second;
            return true;
        }
        return false;
    }
    INT Result(const std::string& slot)
    {
        INT r = 1;
        Planned(slot, r);
        return r;
    }

    mutable std::mutex lock_;
    std::map<std::string, std::deque<INT>> planned_;
    std::map<std::string, INT> always_;
    std::map<DWORD, std::array<BYTE, kSectorBytes>> disk_;
    unsigned reads_ = 0;
};
