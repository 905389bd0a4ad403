// The INI document under any file bytes and any writes: a file is written back byte for
// byte while nothing changes it; a write that is taken reads back, in the process and after
// a fresh start (the file parsed anew), and changes no other key; a write that is refused
// changes nothing.
//
// Input: two bytes (little-endian) giving the length of the file's bytes, the file's bytes,
// then writes (support/ini_operations.h) until the input ends.
#include "platform/profile/ini_document.h"
#include "tests/fuzz/support/ini_operations.h"

#include <optional>
#include <utility>
#include <vector>

using platform::profile::IniDocument;

namespace {

constexpr std::size_t kMaxWrites = 16;

struct Probe {
    std::u16string section;
    std::u16string key;
};

bool SameKey(const Probe& probe, const fuzz::IniWrite& write)
{
    return fuzz::FoldedName(probe.section) == fuzz::FoldedName(write.section) &&
           fuzz::FoldedName(probe.key) == fuzz::FoldedName(write.key);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    std::size_t length = input.Byte();
    length |= static_cast<std::size_t>(input.Byte()) << 8;
    std::string_view rest = input.Rest();
    std::string file(rest.substr(0, length));
    fuzz::Input writes(reinterpret_cast<const std::uint8_t*>(rest.data()) + file.size(), rest.size() - file.size());

    IniDocument document = IniDocument::Parse(file);
    FUZZ_CHECK(document.Serialise() == file);

    std::vector<Probe> probes = {{u"S", u"k"}, {u"Setting", u"Language"}, {u"S", u""}};
    for (std::size_t count = 0; count < kMaxWrites && !writes.Empty(); ++count) {
        fuzz::IniWrite write = fuzz::TakeIniWrite(writes);
        std::vector<std::optional<std::u16string>> before;
        for (const Probe& probe : probes)
            before.push_back(document.Find(probe.section, probe.key));
        std::string bytesBefore = document.Serialise();

        bool taken = document.Set(write.section, write.key, write.value);
        std::string bytes = document.Serialise();
        if (!taken) {
            FUZZ_CHECK(bytes == bytesBefore);
            continue;
        }
        IniDocument restarted = IniDocument::Parse(bytes);
        FUZZ_CHECK(restarted.Serialise() == bytes);
        if (!write.separator) {
            std::u16string expected = fuzz::ReadBackForm(write.value);
            FUZZ_CHECK(document.Find(write.section, write.key) == expected);
            FUZZ_CHECK(restarted.Find(write.section, write.key) == expected);
        }
        for (std::size_t at = 0; at < probes.size(); ++at) {
            // A separator line reads as a key with an empty name; no other key may change.
            bool mayChange = write.separator ? fuzz::FoldedName(probes[at].section) ==
                                                       fuzz::FoldedName(write.section) &&
                                                   fuzz::FoldedName(probes[at].key).empty()
                                             : SameKey(probes[at], write);
            if (!mayChange) {
                FUZZ_CHECK(document.Find(probes[at].section, probes[at].key) == before[at]);
                FUZZ_CHECK(restarted.Find(probes[at].section, probes[at].key) == before[at]);
            }
        }
        if (!write.separator)
            probes.push_back({write.section, write.key});
    }
    return 0;
}
