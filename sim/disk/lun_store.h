// The sectors of one logical unit, kept sparsely: only written 64 KiB chunks take memory,
// and sectors never written read back as zeros.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <unordered_map>

namespace sim {

class LunStore {
public:
    static constexpr std::uint32_t kSectorSize = 512;

    explicit LunStore(std::uint64_t sectors) : sectors_(sectors) {}

    std::uint64_t sectors() const { return sectors_; }
    bool Contains(std::uint64_t lba, std::uint64_t count) const { return lba + count <= sectors_ && lba + count >= lba; }
    // Both take whole sectors; the caller checks Contains first.
    void Read(std::uint64_t lba, std::span<std::uint8_t> out) const;
    void Write(std::uint64_t lba, std::span<const std::uint8_t> in);

private:
    static constexpr std::uint32_t kChunkSectors = 128;
    using Chunk = std::unique_ptr<std::uint8_t[]>;
    // Calls piece(chunk index, byte offset in the chunk, bytes done, length) chunk by chunk.
    template <class Piece>
    static void ForEachPiece(std::uint64_t lba, std::size_t size, Piece piece);

    std::uint64_t sectors_;
    std::unordered_map<std::uint64_t, Chunk> chunks_;
};

} // namespace sim
