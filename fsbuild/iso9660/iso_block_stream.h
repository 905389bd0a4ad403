// The image goes out as one sequential stream from block 0: every structure is placed in
// increasing block order, so it is gathered into a 1 MiB buffer and written in 1 MiB pieces
// through the build's sector writer.
#pragma once

#include "fsbuild/core/build_context.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace iso9660 {

class IsoBlockStream {
public:
    static constexpr std::size_t kBufferBytes = 1u << 20;

    // Starts at the sequential position the context holds.
    explicit IsoBlockStream(FsBuildContext& ctx);

    // Each returns 0 or FS_STATUS_WRITE_FAIL.
    int Put(const void* bytes, std::size_t count);
    int PutZeros(std::uint64_t count);
    int PadToBlock();
    int Flush();

    // Free room at the end of the buffer (flushing first when it is full), to be filled
    // directly and then committed. Sets `room` to at least 1 byte, or returns nullptr after
    // a failed flush.
    std::uint8_t* Room(std::size_t& room);
    void Commit(std::size_t count);

    // Bytes put so far, written or still buffered.
    std::uint64_t Offset() const { return flushed_ + used_; }

private:
    FsBuildContext& ctx_;
    std::unique_ptr<std::uint8_t, void (*)(void*)> buffer_;
    std::size_t used_ = 0;
    std::uint64_t flushed_ = 0;
};

} // namespace iso9660
