#include "fsbuild/ntfs/runlist.h"

namespace ntfs {
namespace {

// Bytes of the shortest two's-complement form; lengths are read back as signed too.
int SignedByteCount(std::int64_t value)
{
    int bytes = 1;
    while (bytes < 8) {
        std::int64_t limit = std::int64_t{1} << (8 * bytes - 1);
        if (value >= -limit && value < limit)
            break;
        ++bytes;
    }
    return bytes;
}

void AppendLittleEndian(std::vector<std::uint8_t>& out, std::int64_t value, int bytes)
{
    auto bits = static_cast<std::uint64_t>(value);
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

} // namespace

std::int64_t ClusterCount(const RunList& runs)
{
    std::int64_t total = 0;
    for (const Run& run : runs)
        total += run.length;
    return total;
}

std::vector<std::uint8_t> EncodeMappingPairs(const RunList& runs)
{
    std::vector<std::uint8_t> out;
    std::int64_t previousLcn = 0;
    for (const Run& run : runs) {
        int lengthBytes = SignedByteCount(run.length);
        int deltaBytes = 0;
        std::int64_t delta = 0;
        if (run.lcn != kSparseLcn) {
            delta = run.lcn - previousLcn;
            deltaBytes = SignedByteCount(delta);
            previousLcn = run.lcn;
        }
        out.push_back(static_cast<std::uint8_t>(deltaBytes << 4 | lengthBytes));
        AppendLittleEndian(out, run.length, lengthBytes);
        AppendLittleEndian(out, delta, deltaBytes);
    }
    out.push_back(0);
    return out;
}

} // namespace ntfs
