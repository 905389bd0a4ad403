// An image file's end as the worker reads it before writing the image to a device: the
// trailer decoded from any bytes, read from any file, and appended after any file.
//
// Input: the whole image file.
#include "engine/lunimage/image_trailer.h"
#include "platform/text/text.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <span>

namespace {

bool SameTrailer(const ImageTrailer& a, const ImageTrailer& b)
{
    return a.fsType == b.fsType && a.startLba == b.startLba && a.totalSectors == b.totalSectors;
}

void CheckDecode(std::span<const BYTE> bytes)
{
    const std::optional<ImageTrailer> trailer = DecodeImageTrailer(bytes);
    const bool whole = bytes.size() == kImageTrailerSize && std::memcmp(bytes.data(), "Bravion", 8) == 0;
    FUZZ_CHECK(trailer.has_value() == whole);
    if (trailer) {
        const auto encoded = EncodeImageTrailer(*trailer);
        FUZZ_CHECK(std::equal(encoded.begin(), encoded.end(), bytes.begin()));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const BYTE> file(data, size);
    CheckDecode(file);
    const std::span<const BYTE> tail = size >= kImageTrailerSize ? file.last(kImageTrailerSize) : file;
    CheckDecode(tail);

    const std::string path = fuzz::ScratchFolder() + "/lun.img";
    const std::u16string widePath = platform::Utf8ToWide(path);
    fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
    const std::optional<ImageTrailer> read = ReadImageTrailer(widePath);
    const std::optional<ImageTrailer> decoded = DecodeImageTrailer(tail);
    FUZZ_CHECK(read.has_value() == decoded.has_value());
    if (read)
        FUZZ_CHECK(SameTrailer(*read, *decoded));

    // Whatever the image holds, a trailer appended after it is the one read back.
    const ImageTrailer appended{size > 0 ? data[0] : BYTE{0}, static_cast<DWORD>(size), ~static_cast<DWORD>(size)};
    FUZZ_CHECK(AppendImageTrailer(widePath, appended));
    const std::string after = fuzz::ReadFile(path);
    FUZZ_CHECK(after.size() == size + kImageTrailerSize);
    FUZZ_CHECK(size == 0 || std::memcmp(data, after.data(), size) == 0);
    const std::optional<ImageTrailer> again = ReadImageTrailer(widePath);
    FUZZ_CHECK(again.has_value() && SameTrailer(*again, appended));
    return 0;
}
