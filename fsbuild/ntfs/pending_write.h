// A stream the formatter has laid out and still has to put on the target.
#pragma once

#include "fsbuild/ntfs/runlist.h"

#include <cstdint>
#include <vector>

namespace ntfs {

struct PendingWrite {
    enum class Kind {
        Data,      // `data`, zero-filled to the end of the runs
        Fill,      // every byte of the runs is `fill`
        Protected, // `data` in blocks of `blockSize`, each with its update sequence applied
    };
    Kind kind = Kind::Data;
    RunList runs;
    std::vector<std::uint8_t> data;
    std::uint8_t fill = 0;
    std::uint32_t blockSize = 0;
};

} // namespace ntfs
