#include "server/nand/table_images.h"

namespace nand {
namespace {

void PutEntry(BYTE* at, const TatEntry& entry, bool bigEndian)
{
    at[0] = entry.chip;
    at[1] = entry.mark;
    at[bigEndian ? 3 : 2] = static_cast<BYTE>(entry.block);
    at[bigEndian ? 2 : 3] = static_cast<BYTE>(entry.block >> 8);
}

std::vector<BYTE> Words(std::span<const WORD> words, bool bigEndian)
{
    std::vector<BYTE> bytes(2 * words.size());
    for (std::size_t i = 0; i < words.size(); ++i) {
        bytes[2 * i + (bigEndian ? 1 : 0)] = static_cast<BYTE>(words[i]);
        bytes[2 * i + (bigEndian ? 0 : 1)] = static_cast<BYTE>(words[i] >> 8);
    }
    return bytes;
}

std::vector<BYTE> Entries(std::span<const TatEntry> entries, bool bigEndian)
{
    std::vector<BYTE> bytes(4 * entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i)
        PutEntry(&bytes[4 * i], entries[i], bigEndian);
    return bytes;
}

} // namespace

std::vector<BYTE> WordsFlashForm(std::span<const WORD> words)
{
    return Words(words, true);
}

std::vector<BYTE> WordsHostForm(std::span<const WORD> words)
{
    return Words(words, false);
}

std::vector<BYTE> EntriesHostForm(std::span<const TatEntry> entries)
{
    return Entries(entries, false);
}

std::vector<BYTE> TatPageFlashForm(const TatImage& tat, std::size_t page)
{
    return Entries(std::span(tat.entries).subspan(page * kTatEntriesPerPage, kTatEntriesPerPage), true);
}

std::vector<BYTE> WctFlashForm(const WctImage& wct)
{
    std::vector<BYTE> bytes = Entries(wct.tatA, true);
    const std::vector<BYTE> list = Words(wct.freeList, true);
    bytes.insert(bytes.end(), list.begin(), list.end());
    bytes.resize(kWctBytes, 0xFF);
    return bytes;
}

} // namespace nand
