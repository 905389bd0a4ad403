// A firmware file the operator chooses on the chip page, read for the version it carries:
// any bytes, any length.
//
// Input: the whole file.
#include "console/settings/firmware_file_version.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

bool CarriesVersion(std::string_view file)
{
    if (file.size() < 0x4010)
        return false;
    auto word = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<std::uint8_t>(file[at]) | static_cast<std::uint8_t>(file[at + 1]) << 8);
    };
    const unsigned at4 = word(0x4004);
    return word(0x400C) == 0x2F52 || at4 == 0x2F52 || at4 == 0x17EF || at4 == 0x04E8;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    // The file lives in memory only, so that nothing is left behind.
    const int descriptor = memfd_create("firmware", 0);
    FUZZ_CHECK(descriptor >= 0);
    FUZZ_CHECK(write(descriptor, file.data(), file.size()) == static_cast<ssize_t>(file.size()));
    const std::string path = "/proc/self/fd/" + std::to_string(descriptor);
    BYTE version[4];
    ReadFirmwareFileVersion(std::u16string(path.begin(), path.end()), version);
    close(descriptor);
    const std::u16string text = FirmwareVersionText(version);

    // The version is read only from bytes the file has.
    std::string expected;
    if (CarriesVersion(file))
        expected = std::string(file.substr(0x4000, 4));
    else if (file.size() >= 0x1007)
        expected = std::string(file.substr(0x1003, 4));
    if (expected.size() != 4 || expected == std::string(4, '\0')) {
        FUZZ_CHECK(version[0] == 0xFF);
        FUZZ_CHECK(text == u"N/A");
        return 0;
    }
    if (static_cast<std::uint8_t>(expected[0]) == 0xFF) {
        FUZZ_CHECK(text == u"N/A");
        return 0;
    }
    FUZZ_CHECK(std::memcmp(version, expected.data(), 4) == 0);
    FUZZ_CHECK(std::count(text.begin(), text.end(), u'.') == 3);
    return 0;
}
