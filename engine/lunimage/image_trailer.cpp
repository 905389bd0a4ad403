#include "engine/lunimage/image_trailer.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <cstdio>
#include <filesystem>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr std::size_t kMagicSize = 8;
constexpr char kMagic[kMagicSize] = {'B', 'r', 'a', 'v', 'i', 'o', 'n', '\0'};
constexpr std::size_t kTypeOffset = 8;
constexpr std::size_t kStartOffset = 9;
constexpr std::size_t kSizeOffset = 13;

void StoreLittleEndian(BYTE* at, DWORD value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<BYTE>(value >> (8 * i));
}

DWORD LoadLittleEndian(const BYTE* at)
{
    DWORD value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | at[i];
    return value;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenFile(std::u16string_view path, const char* mode)
{
    return File(std::fopen(platform::WideToAnsi(path).c_str(), mode));
}

} // namespace

std::array<BYTE, kImageTrailerSize> EncodeImageTrailer(const ImageTrailer& trailer)
{
    std::array<BYTE, kImageTrailerSize> bytes{};
    std::memcpy(bytes.data(), kMagic, kMagicSize);
    bytes[kTypeOffset] = trailer.fsType;
    StoreLittleEndian(bytes.data() + kStartOffset, trailer.startLba);
    StoreLittleEndian(bytes.data() + kSizeOffset, trailer.totalSectors);
    return bytes;
}

std::optional<ImageTrailer> DecodeImageTrailer(std::span<const BYTE> tail)
{
    if (tail.size() != kImageTrailerSize || std::memcmp(tail.data(), kMagic, kMagicSize) != 0)
        return std::nullopt;
    return ImageTrailer{tail[kTypeOffset], LoadLittleEndian(tail.data() + kStartOffset),
                        LoadLittleEndian(tail.data() + kSizeOffset)};
}

std::optional<ImageTrailer> ReadImageTrailer(std::u16string_view path)
{
    File file = OpenFile(path, "rb");
    std::array<BYTE, kImageTrailerSize> tail{};
    if (file == nullptr || std::fseek(file.get(), -static_cast<long>(kImageTrailerSize), SEEK_END) != 0 ||
        std::fread(tail.data(), 1, tail.size(), file.get()) != tail.size())
        return std::nullopt;
    return DecodeImageTrailer(tail);
}

bool AppendImageTrailer(std::u16string_view path, const ImageTrailer& trailer)
{
    File file = OpenFile(path, "r+b");
    if (file == nullptr) {
        platform::DebugPrintf("Image trailer: %s cannot be opened", platform::WideToUtf8(path).c_str());
        return false;
    }
    const std::array<BYTE, kImageTrailerSize> bytes = EncodeImageTrailer(trailer);
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        platform::DebugPrintf("Image trailer: the end of %s cannot be reached", platform::WideToUtf8(path).c_str());
        return false;
    }
    const long imageSize = std::ftell(file.get());
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    // A write that the close could not flush did not reach the file either.
    const bool closed = std::fclose(file.release()) == 0;
    if (written && closed)
        return true;
    platform::DebugPrintf("Image trailer: not written to %s", platform::WideToUtf8(path).c_str());
    // A part of a trailer would make the image's end unreadable for the check before a write.
    std::error_code ignored;
    if (imageSize >= 0)
        std::filesystem::resize_file(platform::WideToAnsi(path), static_cast<std::uintmax_t>(imageSize), ignored);
    return false;
}
