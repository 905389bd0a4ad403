#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace fuzz {

std::uint8_t Input::Byte()
{
    if (rest_.empty())
        return 0;
    auto byte = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return byte;
}

std::string_view Input::Bytes(std::size_t limit)
{
    std::size_t count = std::min<std::size_t>({Byte(), limit, rest_.size()});
    std::string_view taken = rest_.substr(0, count);
    rest_.remove_prefix(count);
    return taken;
}

std::u16string Input::Wide(std::size_t limit)
{
    std::size_t count = std::min<std::size_t>({Byte(), limit, rest_.size() / 2});
    std::u16string text(count, u'\0');
    for (char16_t& unit : text) {
        unit = static_cast<char16_t>(static_cast<unsigned char>(rest_[0]) | static_cast<unsigned char>(rest_[1]) << 8);
        rest_.remove_prefix(2);
    }
    return text;
}

std::string_view Input::Rest()
{
    return std::exchange(rest_, std::string_view());
}

namespace {

std::string MakeScratchFolder()
{
    std::string base;
    if (const char* chosen = std::getenv("FABRUN_FUZZ_SCRATCH"); chosen != nullptr && *chosen != '\0')
        base = chosen;
    else if (access("/dev/shm", W_OK) == 0)
        base = "/dev/shm";
    else
        base = std::filesystem::temp_directory_path().string();
    std::filesystem::create_directories(base);
    std::string pattern = base + "/fabrun-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch folder in " + base);
    return pattern;
}

} // namespace

const std::string& ScratchFolder()
{
    // Never destroyed: the removal at exit still needs the name.
    static const std::string* folder = [] {
        auto* made = new std::string(MakeScratchFolder());
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(ScratchFolder(), ignored);
        });
        return made;
    }();
    return *folder;
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void PropertyFailed(const char* property, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property does not hold: %s\n", file, line, property);
    std::fflush(stderr);
    // abort() skips the removal at exit; the input reproduces the files.
    std::error_code ignored;
    std::filesystem::remove_all(ScratchFolder(), ignored);
    std::abort();
}

} // namespace fuzz
