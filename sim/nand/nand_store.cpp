#include "sim/nand/nand_store.h"

#include <algorithm>
#include <cstring>

namespace sim::nand {

const BlockState* NandStore::Find(unsigned path, unsigned block) const
{
    auto found = blocks_.find(Key(path, block));
    return found == blocks_.end() ? nullptr : &found->second;
}

BlockState& NandStore::At(unsigned path, unsigned block)
{
    return blocks_[Key(path, block)];
}

BlockProfile NandStore::Profile(unsigned path, unsigned block) const
{
    auto found = profiles_.find(Key(path, block));
    return found == profiles_.end() ? BlockProfile{} : found->second;
}

void NandStore::Erase(unsigned path, unsigned block)
{
    BlockState& state = At(path, block);
    state.pages.clear();
    state.fill.reset();
    ++state.erases;
}

bool NandStore::Program(unsigned path, unsigned block, unsigned page, std::span<const std::uint8_t> data,
                        const SpareTag& tag, bool encrypted)
{
    BlockState& state = At(path, block);
    if (state.fill != nullptr || state.pages.count(page) != 0)
        return false;
    StoredPage& stored = state.pages[page];
    stored.data.assign(data.begin(), data.end());
    stored.tag = tag;
    stored.encrypted = encrypted;
    return true;
}

void NandStore::ProgramWhole(unsigned path, unsigned block, std::shared_ptr<const std::vector<std::uint8_t>> pattern,
                             bool encrypted)
{
    BlockState& state = At(path, block);
    state.pages.clear();
    state.fill = std::move(pattern);
    state.fillEncrypted = encrypted;
}

bool NandStore::PageProgrammed(unsigned path, unsigned block, unsigned page) const
{
    const BlockState* state = Find(path, block);
    return state != nullptr && (state->fill != nullptr || state->pages.count(page) != 0);
}

std::optional<bool> NandStore::ReadPage(unsigned path, unsigned block, unsigned page, std::span<std::uint8_t> out) const
{
    const BlockState* state = Find(path, block);
    if (state == nullptr)
        return std::nullopt;
    std::fill(out.begin(), out.end(), 0xFF);
    if (state->fill != nullptr) {
        const std::vector<std::uint8_t>& pattern = *state->fill;
        const std::size_t start = std::size_t{page} * geometry_.pageBytes;
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = pattern[(start + i) % pattern.size()];
        return state->fillEncrypted;
    }
    auto stored = state->pages.find(page);
    if (stored == state->pages.end())
        return std::nullopt;
    std::memcpy(out.data(), stored->second.data.data(), std::min(out.size(), stored->second.data.size()));
    return stored->second.encrypted;
}

std::optional<SpareTag> NandStore::Tag(unsigned path, unsigned block, unsigned page) const
{
    const BlockState* state = Find(path, block);
    if (state == nullptr)
        return std::nullopt;
    if (state->fill != nullptr)
        return SpareTag{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    auto stored = state->pages.find(page);
    if (stored == state->pages.end())
        return std::nullopt;
    return stored->second.tag;
}

} // namespace sim::nand
