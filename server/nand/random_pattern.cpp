#include "server/nand/random_pattern.h"

#include <cstring>
#include <random>

namespace nand {

std::vector<BYTE> RandomPattern(std::size_t size)
{
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::vector<BYTE> pattern(size);
    for (std::size_t at = 0; at < size; at += 8) {
        const std::uint64_t word = random();
        std::memcpy(pattern.data() + at, &word, std::min<std::size_t>(8, size - at));
    }
    return pattern;
}

} // namespace nand
