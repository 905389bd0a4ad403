#include "sim/disk/lun_store.h"

#include <algorithm>
#include <cstring>

namespace sim {

template <class Piece>
void LunStore::ForEachPiece(std::uint64_t lba, std::size_t size, Piece piece)
{
    std::size_t done = 0;
    while (done < size) {
        std::uint64_t sector = lba + done / kSectorSize;
        std::uint64_t within = sector % kChunkSectors;
        std::size_t length = std::min<std::size_t>(size - done, (kChunkSectors - within) * kSectorSize);
        piece(sector / kChunkSectors, within * kSectorSize, done, length);
        done += length;
    }
}

void LunStore::Read(std::uint64_t lba, std::span<std::uint8_t> out) const
{
    ForEachPiece(lba, out.size(), [&](std::uint64_t chunk, std::size_t offset, std::size_t done, std::size_t length) {
        auto found = chunks_.find(chunk);
        if (found == chunks_.end())
            std::memset(out.data() + done, 0, length);
        else
            std::memcpy(out.data() + done, found->second.get() + offset, length);
    });
}

void LunStore::Write(std::uint64_t lba, std::span<const std::uint8_t> in)
{
    ForEachPiece(lba, in.size(), [&](std::uint64_t index, std::size_t offset, std::size_t done, std::size_t length) {
        Chunk& chunk = chunks_[index];
        if (!chunk)
            chunk = std::make_unique<std::uint8_t[]>(kChunkSectors * kSectorSize); // zeroed
        std::memcpy(chunk.get() + offset, in.data() + done, length);
    });
}

} // namespace sim
