// Source files of a known size and content for the ISO tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace iso9660::testing {

inline void WriteFile(const std::filesystem::path& path, std::uint64_t bytes, std::uint32_t seed)
{
    std::ofstream out(path, std::ios::binary);
    std::string chunk(1 << 16, '\0');
    for (std::uint64_t done = 0; done < bytes;) {
        for (char& c : chunk) {
            seed = seed * 1103515245u + 12345u;
            c = static_cast<char>(seed >> 16);
        }
        auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), bytes - done));
        out.write(chunk.data(), static_cast<std::streamsize>(piece));
        done += piece;
    }
}

} // namespace iso9660::testing
