// The system-table images as the build keeps them (host order) and their flash form, in
// which every 16-bit block number stands big-endian: the LFT (1024 block numbers), the TAT
// pages (512 entries each), the WCT (64 TAT_A entries and 896 free-list block numbers) and
// the extended WCT (1024 block numbers). An unused word or entry is all 0xFF.
#pragma once

#include "platform/base/wintypes.h"

#include <array>
#include <span>
#include <vector>

namespace nand {

constexpr WORD kNoBlock = 0xFFFF;
constexpr std::size_t kTablePageBytes = 2048;
constexpr std::size_t kLftWords = 1024;
constexpr std::size_t kTatEntriesPerPage = 512;
constexpr std::size_t kTatPages = 2;
constexpr std::size_t kTatAEntries = 64;
constexpr std::size_t kFreeListWords = 896;
constexpr std::size_t kWctBytes = 6144;

struct TatEntry {
    BYTE chip = 0xFF;
    BYTE mark = 0xFF;
    WORD block = kNoBlock;
    bool operator==(const TatEntry&) const = default;
};

using LftImage = std::array<WORD, kLftWords>;
using ExtWctImage = std::array<WORD, kLftWords>;

// Both TAT pages: 1024 entries, page p holding entries 512p .. 512p + 511.
struct TatImage {
    std::array<TatEntry, kTatPages * kTatEntriesPerPage> entries{};
};

struct WctImage {
    std::array<TatEntry, kTatAEntries> tatA{};
    std::array<WORD, kFreeListWords> freeList{};
    WctImage() { freeList.fill(kNoBlock); }
};

inline LftImage EmptyLft()
{
    LftImage lft;
    lft.fill(kNoBlock);
    return lft;
}

// Flash forms, byte for byte as written.
std::vector<BYTE> WordsFlashForm(std::span<const WORD> words);
std::vector<BYTE> TatPageFlashForm(const TatImage& tat, std::size_t page);
// kWctBytes bytes: entries, free list, then 0xFF.
std::vector<BYTE> WctFlashForm(const WctImage& wct);

// Host forms, as the dumps show them before conversion.
std::vector<BYTE> WordsHostForm(std::span<const WORD> words);
std::vector<BYTE> EntriesHostForm(std::span<const TatEntry> entries);

} // namespace nand
