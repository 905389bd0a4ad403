// The benchmark's source folder: 2000 small files in 20 folders and 20 files of 16 MiB.
#pragma once

#include <cstdint>
#include <string>

// Creates the tree under `root` (kept when it is already complete); returns its bytes.
std::uint64_t MakeBenchmarkTree(const std::string& root);
