#include "fsbuild/iso9660/iso_block_stream.h"

#include "fsbuild/core/sector_writer.h"
#include "fsbuild/core/status.h"
#include "fsbuild/iso9660/iso_directory_records.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace iso9660 {
namespace {

// Page-aligned, so that unbuffered device handles can take the pieces as they are.
std::uint8_t* AllocateAligned(std::size_t bytes)
{
    void* memory = std::aligned_alloc(4096, bytes);
    if (memory == nullptr)
        throw std::bad_alloc();
    return static_cast<std::uint8_t*>(memory);
}

} // namespace

IsoBlockStream::IsoBlockStream(FsBuildContext& ctx) : ctx_(ctx), buffer_(AllocateAligned(kBufferBytes), std::free) {}

int IsoBlockStream::Flush()
{
    if (used_ == 0)
        return FS_STATUS_SUCCESS;
    if (WriteSequential(ctx_, buffer_.get(), used_) < 0)
        return FS_STATUS_WRITE_FAIL;
    flushed_ += used_;
    used_ = 0;
    return FS_STATUS_SUCCESS;
}

std::uint8_t* IsoBlockStream::Room(std::size_t& room)
{
    if (used_ == kBufferBytes && Flush() != FS_STATUS_SUCCESS)
        return nullptr;
    room = kBufferBytes - used_;
    return buffer_.get() + used_;
}

void IsoBlockStream::Commit(std::size_t count)
{
    used_ += count;
}

int IsoBlockStream::Put(const void* bytes, std::size_t count)
{
    const auto* from = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        std::size_t room = 0;
        std::uint8_t* to = Room(room);
        if (to == nullptr)
            return FS_STATUS_WRITE_FAIL;
        std::size_t piece = std::min(room, count);
        std::memcpy(to, from, piece);
        Commit(piece);
        from += piece;
        count -= piece;
    }
    return FS_STATUS_SUCCESS;
}

int IsoBlockStream::PutZeros(std::uint64_t count)
{
    while (count > 0) {
        std::size_t room = 0;
        std::uint8_t* to = Room(room);
        if (to == nullptr)
            return FS_STATUS_WRITE_FAIL;
        auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(room, count));
        std::memset(to, 0, piece);
        Commit(piece);
        count -= piece;
    }
    return FS_STATUS_SUCCESS;
}

int IsoBlockStream::PadToBlock()
{
    return PutZeros(RoundUpToBlock(Offset()) - Offset());
}

} // namespace iso9660
