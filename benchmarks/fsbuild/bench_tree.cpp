#include "bench_tree.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

std::uint64_t MakeBenchmarkTree(const std::string& root)
{
    std::mt19937 random(2024);
    std::uint64_t total = 0;
    std::string buffer;
    auto write = [&](const fs::path& path, std::size_t bytes) {
        total += bytes;
        if (fs::exists(path) && fs::file_size(path) == bytes)
            return;
        buffer.resize(bytes);
        for (char& c : buffer)
            c = static_cast<char>(random());
        std::ofstream(path, std::ios::binary) << buffer;
    };
    for (int folder = 0; folder < 20; ++folder) {
        fs::path dir = fs::path(root) / ("folder_" + std::to_string(folder));
        fs::create_directories(dir);
        for (int file = 0; file < 100; ++file)
            write(dir / ("small_file_" + std::to_string(file) + ".dat"), 512 + (folder * 100 + file) * 37 % 16384);
    }
    for (int big = 0; big < 20; ++big)
        write(fs::path(root) / ("large_" + std::to_string(big) + ".bin"), 16u << 20);
    return total;
}
