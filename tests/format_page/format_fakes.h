// Stand-ins for the server where a test decides what it answers: a device with a CIS, and
// an image builder that holds each build until the test lets it finish.
#pragma once

#include "fsbuild/fs_build_params.h"
#include "portwarden/records.h"
#include "tests/fakes/fake_portwarden.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace formattest {

// A device on the port: opened and closed through the first interface, its system
// addresses and first CIS block read through the second.
class CisDevice : public FakePortwardenCtrl, public FakePortwardenCtrl2 {
public:
    bool opens = true;
    bool addressesRead = true;
    bool blockRead = true;
    std::array<DWORD, 4> blockAddresses = {0x120, 0x140, 0x160, 0x180};
    std::array<DWORD, 4> capacities = {0x00100000, 0x00080000, 0x00004000, 0};

    int openCalls = 0, closeCalls = 0;
    std::string openedPath;
    struct BlockCall {
        BYTE rd;
        INT kind, flags;
        std::string tag;
        INT block, length;
    };
    std::vector<BlockCall> blockCalls;

    INT OpenDiskPathBySymbolicName(HANDLE*, BYTE, const char* path) override
    {
        ++openCalls;
        openedPath = path;
        return opens ? 1 : 0;
    }
    INT CloseDiskPath(HANDLE*, BYTE) override
    {
        ++closeCalls;
        return 1;
    }
    INT ReadSYSAddress(HANDLE*, BYTE, BYTE, BYTE* buffer) override
    {
        // A failed read leaves what the transfer brought: nothing to be trusted.
        std::fill(buffer, buffer + 64, 0x5A);
        if (!addressesRead)
            return 0;
        for (int k = 0; k < 4; ++k)
            PutBigEndian(buffer + 4 * k, blockAddresses[k]);
        return 1;
    }
    INT ReadWriteBlock(HANDLE*, BYTE, BYTE rd, INT kind, INT flags, PackedBlockTag tag, INT block, INT length,
                       BYTE* buffer) override
    {
        blockCalls.push_back({rd, kind, flags, std::string(tag.characters, strnlen(tag.characters, 8)), block, length});
        std::fill(buffer, buffer + length, 0x5A);
        if (!blockRead)
            return 0;
        for (int lun = 0; lun < 4; ++lun)
            PutBigEndian(buffer + 32 + 4 * lun, capacities[lun]);
        return 1;
    }

    static void PutBigEndian(BYTE* at, DWORD value)
    {
        for (int i = 0; i < 4; ++i)
            at[i] = static_cast<BYTE>(value >> (24 - 8 * i));
    }
};

// Builds nothing: each call takes its request, raises the progress byte and waits until
// the test finishes it with a status and a result.
class HeldBuilder : public FakePortwardenCtrl {
public:
    struct Call {
        FsBuildParams* request;
        std::u16string image;
        std::u16string source;
        BYTE fsType;
    };

    INT CreateFileSystemImageW(FsBuildParams* params) override
    {
        std::unique_lock lock(mutex_);
        calls_.push_back({params, WideText(params->pszImagePath), WideText(params->pszSourcePath), params->u8FsType});
        const std::size_t mine = calls_.size() - 1;
        std::atomic_ref<std::uint8_t>(params->u8Progress).store(40);
        changed_.notify_all();
        changed_.wait(lock, [&] { return finished_.size() > mine && finished_[mine].has_value(); });
        const auto [status, result] = *finished_[mine];
        if (status >= 0)
            params->i32Status = status;
        std::atomic_ref<std::uint8_t>(params->u8Progress).store(100);
        return result;
    }

    // Waits until `count` calls have come in.
    void AwaitCalls(std::size_t count)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return calls_.size() >= count; });
    }
    std::size_t CallCount()
    {
        std::lock_guard lock(mutex_);
        return calls_.size();
    }
    Call CallAt(std::size_t index)
    {
        std::lock_guard lock(mutex_);
        return calls_.at(index);
    }
    // Ends call `index` with the builder's status (negative: the block is left as given)
    // and the slot's result.
    void Finish(std::size_t index, int status, INT result)
    {
        std::lock_guard lock(mutex_);
        if (finished_.size() <= index)
            finished_.resize(index + 1);
        finished_[index] = std::pair{status, result};
        changed_.notify_all();
    }

private:
    static std::u16string WideText(const char* field)
    {
        return field != nullptr ? std::u16string(reinterpret_cast<const char16_t*>(field)) : std::u16string();
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Call> calls_;
    std::vector<std::optional<std::pair<int, INT>>> finished_;
};

} // namespace formattest
