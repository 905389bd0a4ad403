// A CIS image as a device hands it back: the byte-order swaps and the checksum over any
// 1024 bytes, and the one-byte-per-character fields over any text.
//
// Input: up to 1024 image bytes (zero-filled after the input's end), then a field size and
// offset and wide text for StoreLowBytes.
#include "engine/cis/cis_image.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <array>
#include <set>

namespace {

using Image = std::array<BYTE, cis::kImageSize>;

// The offsets of every byte that a swap may move: the big-endian fields of both parts.
std::set<std::size_t> SwappedBytes(bool part1)
{
    std::set<std::size_t> bytes;
    auto add = [&](std::size_t offset, std::size_t size) {
        for (std::size_t i = 0; i < size; ++i)
            bytes.insert(offset + i);
    };
    if (part1) {
        add(cis::kLunStartLba, 16);
        add(cis::kLunCapacity, 16);
        add(cis::kSysStartLba, 4);
        add(cis::kSysCapacity, 4);
    } else {
        for (std::size_t offset : {272, 274, 276, 280, 310, 312, 314})
            add(offset, 2);
        for (std::size_t offset : {316, 384, 388, 392, 396})
            add(offset, 4);
    }
    return bytes;
}

CISImage ToImage(const Image& bytes)
{
    CISImage image;
    std::copy(bytes.begin(), bytes.end(), image.bytes);
    return image;
}

void CheckSwap(const Image& original, bool part1)
{
    CISImage image = ToImage(original);
    auto swap = [&] {
        if (part1)
            CisPart1ToBigEndian(image.Part1());
        else
            CisPart2ToBigEndian(image.Part2());
    };
    swap();
    std::set<std::size_t> moved = SwappedBytes(part1);
    for (std::size_t at = 0; at < cis::kImageSize; ++at)
        if (!moved.contains(at))
            FUZZ_CHECK(image.bytes[at] == original[at]);
    // The page count lands on the device big-endian.
    if (!part1)
        FUZZ_CHECK((image.bytes[cis::kPagesPerBlock] << 8 | image.bytes[cis::kPagesPerBlock + 1]) ==
                   (original[cis::kPagesPerBlock] | original[cis::kPagesPerBlock + 1] << 8));
    swap();
    FUZZ_CHECK(std::equal(original.begin(), original.end(), image.bytes));
}

void CheckChecksum(const Image& original)
{
    CISImage image = ToImage(original);
    StoreCisChecksum(image.Part1());
    unsigned sum = 0;
    for (std::size_t at = 0; at < cis::kPart1Size; at += 2)
        sum += image.bytes[at] << 8 | image.bytes[at + 1];
    FUZZ_CHECK(sum % 65536 == 0);
    FUZZ_CHECK(std::equal(original.begin() + 2, original.end(), image.bytes + 2));
}

void CheckLowBytes(fuzz::Input& input)
{
    std::array<BYTE, 64> area;
    area.fill(0xA5);
    std::size_t size = input.Byte() % 33;
    std::size_t offset = input.Byte() % (area.size() - size + 1);
    std::u16string text = input.Wide();
    StoreLowBytes(area.data() + offset, size, text);
    for (std::size_t at = 0; at < area.size(); ++at) {
        if (at < offset || at >= offset + size)
            FUZZ_CHECK(area[at] == 0xA5);
        else if (at - offset < text.size())
            FUZZ_CHECK(area[at] == static_cast<BYTE>(text[at - offset]));
        else
            FUZZ_CHECK(area[at] == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Image original{};
    std::size_t taken = std::min(size, original.size());
    std::copy(data, data + taken, original.begin());
    CheckSwap(original, true);
    CheckSwap(original, false);
    CheckChecksum(original);
    fuzz::Input rest(data + taken, size - taken);
    CheckLowBytes(rest);
    return 0;
}
