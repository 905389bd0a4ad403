// Firmware image files as chip mode reads them and makes them the image it programs: any
// file size and content, for every chip model. A file is read whole up to the image buffer;
// the image length is one the model takes (or the default of a device of no model) or the
// download is refused; the completed image holds the file's bytes and a CRC-16/USB that an
// independent bitwise CRC confirms, or nothing but the 0x55 pattern when the flash is to be
// cleaned; double banks are two copies of one completed image (the first replaced by noise
// on request); nothing is written past the buffers.
//
// Input: a flags byte (bits 0-2: the chip model, 0 none, 1 RZ520 .. 7 RZ526; bit 3: clean
// the flash; bit 4: bank 1 error; bits 5-6: the file size, 0 the size the model takes,
// 1 twice the buffer, 2 from the next two bytes in units of 4 bytes, 3 from the next two
// bytes; bit 7: there is no such file), then the file's content, repeated to fill the file
// (zeros when there is none). The hub's image is read by the same call and used as it stands.
#include "engine/spi/firmware_file.h"
#include "engine/spi/firmware_image.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

namespace {

constexpr ChipModel kModels[] = {ChipModel::None,  ChipModel::RZ520, ChipModel::RZ521, ChipModel::RZ522,
                                 ChipModel::RZ523, ChipModel::RZ524, ChipModel::RZ525, ChipModel::RZ526};

// The lengths each model takes, as its data sheet gives them.
std::set<DWORD> TakenLengths(ChipModel model)
{
    switch (model) {
    case ChipModel::RZ520:
    case ChipModel::RZ526:
        return {0x8000};
    case ChipModel::RZ521:
    case ChipModel::RZ524:
    case ChipModel::RZ525:
        return {0xC000};
    case ChipModel::RZ522:
    case ChipModel::RZ523:
        return {0x8000, 0x10000};
    case ChipModel::None:
        break;
    }
    return {};
}

// CRC-16/USB bit by bit: polynomial 0x8005 reflected, initial 0xFFFF, final XOR 0xFFFF.
WORD ReferenceCrc(const BYTE* data, std::size_t length)
{
    WORD crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) != 0 ? static_cast<WORD>((crc >> 1) ^ 0xA001) : static_cast<WORD>(crc >> 1);
    }
    return static_cast<WORD>(crc ^ 0xFFFF);
}

struct Setup {
    Setup() { platform::SetDebugSink([](std::string_view) {}); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    static const std::string path = fuzz::ScratchFolder() + "/firmware.bin";
    fuzz::Input input(data, size);
    const BYTE flags = input.Byte();
    const ChipModel model = kModels[flags & 7];
    const bool clean = (flags & 8) != 0;
    const bool bank1Error = (flags & 16) != 0;
    std::size_t fileSize = 0;
    switch ((flags >> 5) & 3) {
    case 0: {
        const auto taken = TakenLengths(model);
        fileSize = taken.empty() ? 0x8000 : *taken.rbegin();
        break;
    }
    case 1:
        fileSize = 2 * FirmwareBufferSize;
        break;
    case 2:
    case 3: {
        const std::size_t count = input.Byte() | input.Byte() << 8;
        fileSize = ((flags >> 5) & 3) == 2 ? count * 4 : count;
        break;
    }
    }
    const std::string_view pattern = input.Rest();
    std::string file(fileSize, '\0');
    if (!pattern.empty())
        for (std::size_t i = 0; i < fileSize; ++i)
            file[i] = pattern[i % pattern.size()];
    std::vector<BYTE> image(FirmwareBufferSize, 0);
    DWORD read = 0xFFFFFFFF;
    if ((flags & 0x80) != 0) {
        std::remove(path.c_str());
        FUZZ_CHECK(ReadFirmwareFile(platform::AnsiToWide(path), image, read) == 0);
        FUZZ_CHECK(read == 0xFFFFFFFF);
        return 0;
    }
    fuzz::WriteFile(path, file);
    FUZZ_CHECK(ReadFirmwareFile(platform::AnsiToWide(path), image, read) == 1);
    const std::size_t expected = std::min<std::size_t>(fileSize, FirmwareBufferSize);
    FUZZ_CHECK(read == expected);
    FUZZ_CHECK(std::equal(image.begin(), image.begin() + expected, file.begin(),
                          [](BYTE a, char b) { return a == static_cast<BYTE>(b); }));
    FUZZ_CHECK(std::all_of(image.begin() + expected, image.end(), [](BYTE b) { return b == 0; }));

    const DWORD length = ImageLengthFor(model, read);
    const auto taken = TakenLengths(model);
    if (model == ChipModel::None)
        FUZZ_CHECK(length == 0x8000);
    else
        FUZZ_CHECK(taken.contains(read) ? length == read : length == 0);
    if (length == 0)
        return 0;

    const std::vector<BYTE> fileBytes = image;
    CompleteImage(image, length, clean);
    if (clean) {
        FUZZ_CHECK(std::all_of(image.begin(), image.end(), [](BYTE b) { return b == 0x55; }));
    } else {
        FUZZ_CHECK(std::equal(image.begin(), image.begin() + length - 2, fileBytes.begin()));
        const WORD crc = ReferenceCrc(image.data(), length - 2);
        FUZZ_CHECK(image[length - 2] == (crc & 0xFF) && image[length - 1] == crc >> 8);
        FUZZ_CHECK(std::equal(image.begin() + length, image.end(), fileBytes.begin() + length));
    }
    if (!HasDoubleBanks(model))
        return 0;
    const std::vector<BYTE> completed(image.begin(), image.begin() + length);
    const DWORD doubled = DoubleBanks(image, length, bank1Error);
    FUZZ_CHECK(doubled == 2 * length && doubled <= FirmwareBufferSize);
    FUZZ_CHECK(std::equal(completed.begin(), completed.end(), image.begin() + length));
    if (!bank1Error)
        FUZZ_CHECK(std::equal(completed.begin(), completed.end(), image.begin()));
    return 0;
}
