// What the fuzz targets share: reading structured values out of the fuzzer's bytes, a
// scratch folder for the files a target writes, and property checks that stop the run
// (libFuzzer keeps the input as a finding; a corpus replay fails).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

// Takes values from the front of the input; past its end every read gives zeros or empty text.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}

    bool Empty() const { return rest_.empty(); }
    std::uint8_t Byte();
    // At most `limit` bytes, the count taken from one byte of the input.
    std::string_view Bytes(std::size_t limit = 255);
    // Wide text of at most `limit` units, each unit two bytes little-endian.
    std::u16string Wide(std::size_t limit = 127);
    // Everything left.
    std::string_view Rest();

private:
    std::string_view rest_;
};

// A folder of this process for the files a target writes: under $FABRUN_FUZZ_SCRATCH, else
// /dev/shm where it can be written, else the temporary folder. Removed at exit.
const std::string& ScratchFolder();

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

[[noreturn]] void PropertyFailed(const char* property, const char* file, int line);

} // namespace fuzz

// Stops the run when a property does not hold.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::fuzz::PropertyFailed(#condition, __FILE__, __LINE__);                                                    \
    } while (false)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
