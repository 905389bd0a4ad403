// The private-profile calls on a file of any bytes: a write that returns TRUE reads back
// through the calls and after a fresh start (the file parsed anew, as the next start of the
// station parses it), also when it was made in a write batch; a write that returns FALSE for
// its text leaves the file as it was; a read never writes past the buffer it is given and
// gives a missing key's default without its trailing blanks.
//
// Input: as the document's target (two length bytes, the file's bytes, then writes); the
// flags byte of each write also chooses (bit 3) to gather it into a batch with the writes
// before it that chose so, and (bits 4-7) the size of a read buffer.
#include "platform/base/lasterror.h"
#include "platform/profile/ini_document.h"
#include "platform/profile/profile.h"
#include "tests/fuzz/support/ini_operations.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t kMaxWrites = 16;

std::u16string ReadAfterRestart(const std::string& path, const fuzz::IniWrite& write)
{
    auto found = platform::profile::IniDocument::Parse(fuzz::ReadFile(path)).Find(write.section, write.key);
    return found.value_or(u"(missing)");
}

// Reads through a buffer of exactly `size` units, so that a write past it is a sanitizer's finding.
std::u16string ReadThrough(const std::u16string& file, const fuzz::IniWrite& write, DWORD size, const char16_t* fallback)
{
    std::vector<char16_t> buffer(size);
    DWORD copied = GetPrivateProfileStringW(write.section.c_str(), write.key.c_str(), fallback, buffer.data(), size,
                                            file.c_str());
    FUZZ_CHECK(copied < size && buffer[copied] == u'\0');
    return std::u16string(buffer.data(), copied);
}

std::u16string FullRead(const std::u16string& file, const fuzz::IniWrite& write)
{
    return ReadThrough(file, write, 1 << 16, u"(missing)");
}

struct Written {
    fuzz::IniWrite write;
    std::u16string expected;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = fuzz::ScratchFolder() + "/profile.ini";
    static const std::u16string widePath(path.begin(), path.end());
    fuzz::Input input(data, size);
    std::size_t length = input.Byte();
    length |= static_cast<std::size_t>(input.Byte()) << 8;
    std::string_view rest = input.Rest();
    std::string_view file = rest.substr(0, length);
    fuzz::Input writes(reinterpret_cast<const std::uint8_t*>(rest.data()) + file.size(), rest.size() - file.size());
    fuzz::WriteFile(path, file);

    std::unique_ptr<platform::ProfileWriteBatch> batch;
    std::vector<Written> batched;
    auto commit = [&] {
        if (batch == nullptr)
            return;
        FUZZ_CHECK(batch->Commit());
        batch.reset();
        // The last write of a key in the batch is the one the file holds.
        for (auto done = batched.begin(); done != batched.end(); ++done) {
            bool overwritten = std::any_of(done + 1, batched.end(), [&](const Written& later) {
                return fuzz::FoldedName(later.write.section) == fuzz::FoldedName(done->write.section) &&
                       fuzz::FoldedName(later.write.key) == fuzz::FoldedName(done->write.key);
            });
            if (!overwritten)
                FUZZ_CHECK(ReadAfterRestart(path, done->write) == done->expected);
        }
        batched.clear();
    };
    for (std::size_t count = 0; count < kMaxWrites && !writes.Empty(); ++count) {
        fuzz::IniWrite write = fuzz::TakeIniWrite(writes);
        bool inBatch = (write.flags & 8) != 0;
        if (!inBatch)
            commit();
        else if (batch == nullptr)
            batch = std::make_unique<platform::ProfileWriteBatch>();

        std::string bytesBefore = fuzz::ReadFile(path);
        BOOL written = WritePrivateProfileStringW(write.section.c_str(), write.key.c_str(), write.value.c_str(),
                                                  widePath.c_str());
        if (!written) {
            FUZZ_CHECK(GetLastError() == ERROR_INVALID_PARAMETER);
            FUZZ_CHECK(fuzz::ReadFile(path) == bytesBefore);
        } else if (!write.separator) {
            std::u16string expected = fuzz::ReadBackForm(write.value);
            FUZZ_CHECK(FullRead(widePath, write) == expected);
            if (inBatch)
                batched.push_back({write, expected});
            else
                FUZZ_CHECK(ReadAfterRestart(path, write) == expected);
            // A read through a small buffer gets the value cut to fit.
            DWORD small = static_cast<DWORD>(write.flags >> 4) + 1;
            FUZZ_CHECK(ReadThrough(widePath, write, small, u"") == expected.substr(0, small - 1));
        }
        // A missing key gives the default without its trailing blanks.
        fuzz::IniWrite missing{0, u"no such section ]", u"k", u""};
        std::u16string read = ReadThrough(widePath, missing, 1 << 16, write.value.c_str());
        FUZZ_CHECK(read == write.value.substr(0, write.value.find_last_not_of(u" \t") + 1));
    }
    commit();
    return 0;
}
