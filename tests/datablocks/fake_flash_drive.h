// A flash drive behind a fake server, for the block-step tests: NAND pages by row address
// (an erase sets a block's pages to 0xFF), the SPI part of the boot code, every transfer
// recorded, and any call made to fail or to read back with bits flipped.
#pragma once

#include "tests/fakes/fake_portwarden.h"

#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct BlockCall {
    std::string what; // "erase", "write", "read"
    INT kind;
    INT flags;
    std::string tag;
    INT address;
    INT length;
};

class FakeFlashDrive : public FakePortwardenCtrl, public FakePortwardenCtrl2 {
public:
    // Calls are counted from 0 in the order they come, all kinds together; a failing call
    // returns 0 and changes nothing.
    std::function<bool(const BlockCall& call, std::size_t number)> fails = [](const BlockCall&, std::size_t) { return false; };
    // Bits flipped in what a read returns: (read call number, byte offset, bit mask).
    std::function<void(std::size_t readNumber, BYTE* data, std::size_t length)> damageRead = [](std::size_t, BYTE*, std::size_t) {};
    std::function<void(const BlockCall& call)> whileTransferring = [](const BlockCall&) {};
    INT pagesPerBlock = 64;

    std::vector<BlockCall> calls;
    std::map<INT, std::vector<BYTE>> pages; // by row address
    std::vector<BYTE> spi = std::vector<BYTE>(0x4000, 0xFF);

    INT EraseBlock(HANDLE*, BYTE, INT block, BYTE* out1) override
    {
        if (!Record({"erase", 0, 0, "", block, 0}))
            return 0;
        for (INT page = 0; page < pagesPerBlock; ++page)
            pages.erase(block + page);
        *out1 = 0;
        return 1;
    }

    INT ReadWriteBlock(HANDLE*, BYTE, BYTE rd, INT kind, INT flags, PackedBlockTag tag, INT block, INT length,
                       BYTE* buffer) override
    {
        if (!Record({rd == 1 ? "read" : "write", kind, flags, std::string(tag.characters, 6), block, length}))
            return 0;
        auto size = static_cast<std::size_t>(length);
        if (rd == 1) {
            auto stored = pages.find(block);
            if (stored == pages.end())
                std::memset(buffer, 0xFF, size);
            else
                std::memcpy(buffer, stored->second.data(), std::min(size, stored->second.size()));
            damageRead(reads_++, buffer, size);
        } else {
            pages[block].assign(buffer, buffer + size);
        }
        return 1;
    }

    INT ReadFW_USD(HANDLE*, BYTE, BYTE rd, INT flashType, INT address, INT length, BYTE* buffer) override
    {
        if (!Record({rd == 1 ? "read" : "write", flashType, 0, "SPI", address, length}))
            return 0;
        auto at = static_cast<std::size_t>(address);
        auto size = static_cast<std::size_t>(length);
        if (rd == 1) {
            std::memcpy(buffer, spi.data() + at, size);
            damageRead(reads_++, buffer, size);
        } else {
            std::memcpy(spi.data() + at, buffer, size);
        }
        return 1;
    }

    // IUnknown is inherited twice.
    HRESULT QueryInterface(REFIID, void** object) override { return FakePortwardenCtrl::NoInterface(object); }
    ULONG AddRef() override { return 1; }
    ULONG Release() override { return 1; }

    // "erase 16777280", "write 16777280", ...: what was done where, in order.
    std::vector<std::string> Order() const
    {
        std::vector<std::string> order;
        for (const BlockCall& call : calls)
            order.push_back(call.what + " " + std::to_string(call.address));
        return order;
    }

private:
    bool Record(const BlockCall& call)
    {
        const std::size_t number = calls.size();
        calls.push_back(call);
        whileTransferring(call);
        return !fails(call, number);
    }

    std::size_t reads_ = 0;
};
