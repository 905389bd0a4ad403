// A source folder with what an ISO build must carry over intact: nested and deep
// folders, an empty folder, long names, names that differ only in case, non-ASCII
// names, empty files, a folder whose directory spans several blocks and a multi-MiB file.
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

inline void MakeSourceTree(const std::filesystem::path& root)
{
    namespace fs = std::filesystem;
    fs::remove_all(root);
    fs::create_directories(root / "Empty Folder");
    WriteFile(root / "read.me.txt", 17, 1);
    WriteFile(root / "Case.txt", 3, 2);
    WriteFile(root / "case.txt", 4, 3);
    WriteFile(root / "empty.bin", 0, 4);
    std::string longName = std::string(60, 'L') + ".dat"; // 64 characters, the Joliet limit
    WriteFile(root / longName, 2049, 5);
    WriteFile(root / "Gr\xc3\xbc\xc3\x9f" "e und K\xc3\xbcsse.txt", 2048, 6);
    fs::create_directories(root / "big");
    WriteFile(root / "big" / "multi.bin", 5 * 1024 * 1024 + 123, 7);
    fs::path deep = root;
    for (int level = 1; level <= 12; ++level)
        deep /= "level" + std::to_string(level);
    fs::create_directories(deep);
    WriteFile(deep / "leaf.txt", 100, 8);
    fs::create_directories(root / "many");
    for (int i = 0; i < 120; ++i)
        WriteFile(root / "many" / ("a file with a forty character name " + std::to_string(1000 + i) + ".t"), i, 9 + i);
}

} // namespace iso9660::testing
