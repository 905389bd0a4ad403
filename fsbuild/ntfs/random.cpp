#include "fsbuild/ntfs/random.h"

#include <mutex>
#include <random>

namespace ntfs {

std::uint32_t NextRandom()
{
    static std::mutex lock;
    static std::mt19937 engine{std::random_device{}()};
    std::lock_guard guard(lock);
    return static_cast<std::uint32_t>(engine());
}

} // namespace ntfs
