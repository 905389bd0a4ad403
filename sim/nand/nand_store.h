// What the flash holds, kept sparsely: only blocks that were written, marked or given an
// error profile take memory, and a block the virtual-block engine programmed whole shares
// one pattern with every other such block. A model of several GiB costs what is written.
#pragma once

#include "sim/nand/nand_geometry.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

namespace sim::nand {

using SpareTag = std::array<std::uint8_t, 6>;

// How one block misbehaves, for grading and stress tests.
struct BlockProfile {
    unsigned readBitErrorsPerKiB = 0; // flipped in every KiB of a programmed page read back
    std::uint8_t slcErrors = 0;       // bit-error count the VB engine reports (MLC / SLC grading)
    std::uint8_t tlcErrors = 0;       // the same for TLC grading
    bool eraseFails = false;
    bool programFails = false;
};

struct StoredPage {
    std::vector<std::uint8_t> data; // as written; shorter than the page reads 0xFF beyond
    SpareTag tag{};
    bool encrypted = false; // the encryption setting it was programmed under
};

struct BlockState {
    bool factoryBad = false;
    bool markedBad = false;
    bool markEncrypted = false;
    std::map<unsigned, StoredPage> pages;
    // Programmed whole by the virtual-block engine: every page reads this pattern.
    std::shared_ptr<const std::vector<std::uint8_t>> fill;
    bool fillEncrypted = false;
    unsigned erases = 0;
    bool programmed() const { return fill != nullptr || !pages.empty(); }
};

enum class PageRead { Erased, Programmed };

class NandStore {
public:
    explicit NandStore(const NandGeometry& geometry) : geometry_(geometry) {}

    const NandGeometry& geometry() const { return geometry_; }
    // Null for a block never touched (erased, good, no profile).
    const BlockState* Find(unsigned path, unsigned block) const;
    BlockState& At(unsigned path, unsigned block);

    void SetProfile(unsigned path, unsigned block, const BlockProfile& profile) { profiles_[Key(path, block)] = profile; }
    BlockProfile Profile(unsigned path, unsigned block) const;

    void Erase(unsigned path, unsigned block);
    // False when the page was programmed already (it must be erased first).
    bool Program(unsigned path, unsigned block, unsigned page, std::span<const std::uint8_t> data, const SpareTag& tag,
                 bool encrypted);
    void ProgramWhole(unsigned path, unsigned block, std::shared_ptr<const std::vector<std::uint8_t>> pattern,
                      bool encrypted);
    bool PageProgrammed(unsigned path, unsigned block, unsigned page) const;
    // `out.size()` bytes of the page as stored (0xFF where nothing was written) and whether
    // they were programmed under encryption. Nothing for an erased page.
    std::optional<bool> ReadPage(unsigned path, unsigned block, unsigned page, std::span<std::uint8_t> out) const;
    // The spare tag of a programmed page.
    std::optional<SpareTag> Tag(unsigned path, unsigned block, unsigned page) const;
    std::size_t TouchedBlocks() const { return blocks_.size(); }

private:
    static std::uint64_t Key(unsigned path, unsigned block) { return std::uint64_t{path} << 32 | block; }

    NandGeometry geometry_;
    std::unordered_map<std::uint64_t, BlockState> blocks_;
    std::unordered_map<std::uint64_t, BlockProfile> profiles_;
};

} // namespace sim::nand
