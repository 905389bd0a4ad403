// The registry store file under any bytes: a store the station writes always parses again,
// to the same store; and through the registry calls, a store that parses takes every
// change that is not refused for its names, still parses afterwards, and hands the values
// back after a fresh start, while a store that does not parse is never touched.
//
// Input: a selector byte (bit 0: the store file is the rest of the input, with no calls;
// else) two length bytes, the store file, then calls until the input ends: a key path (a
// few bytes, '\' separating names), a value name and the value's type byte and data.
#include "platform/registry/registry.h"
#include "platform/registry/store_file.h"
#include "platform/text/text.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

using platform::registry::Key;
using platform::registry::ParseStore;
using platform::registry::SerializeStore;

namespace {

constexpr std::size_t kMaxCalls = 8;

const std::string& StorePath()
{
    static const std::string path = [] {
        std::string made = fuzz::ScratchFolder() + "/registry";
        setenv("FABRUN_REGISTRY", made.c_str(), 1);
        return made;
    }();
    return path;
}

// What the next start of the station reads: the file put in place anew, so no copy of this
// process is reused.
void Restart()
{
    std::string fresh = StorePath() + ".fresh";
    fuzz::WriteFile(fresh, fuzz::ReadFile(StorePath()));
    FUZZ_CHECK(std::rename(fresh.c_str(), StorePath().c_str()) == 0);
}

bool Parses(std::string_view text)
{
    Key top;
    return ParseStore(text, top);
}

void CheckRewriteParses(std::string_view text)
{
    Key top;
    if (!ParseStore(text, top))
        return;
    std::string written = SerializeStore(top);
    Key again;
    FUZZ_CHECK(ParseStore(written, again));
    FUZZ_CHECK(SerializeStore(again) == written);
}

// Names as the registry compares them: letter case folded, but only in names that are text;
// names of stray bytes stay apart.
std::string Folded(const std::string& name)
{
    std::u16string wide = platform::Utf8ToWide(name);
    std::string folded = name;
    if (platform::WideToUtf8(wide) == name) {
        for (char16_t& unit : wide)
            unit = platform::WideToUpper(unit);
        return platform::WideToUtf8(wide);
    }
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

struct SetValue {
    std::string path;
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
};

SetValue TakeCall(fuzz::Input& input)
{
    SetValue call;
    call.path = std::string(input.Bytes(64));
    call.name = std::string(input.Bytes(32));
    call.type = input.Byte() % 12;
    std::string_view data = input.Bytes(64);
    call.data.assign(data.begin(), data.end());
    for (std::string* text : {&call.path, &call.name})
        for (char& c : *text)
            if (c == '\0')
                c = '_';
    if (call.path.empty())
        call.path = "Software";
    return call;
}

void CheckCalls(std::string_view file, fuzz::Input& input)
{
    fuzz::WriteFile(StorePath(), file);
    bool parses = file.empty() || Parses(file);
    std::vector<SetValue> taken;
    for (std::size_t count = 0; count < kMaxCalls && !input.Empty(); ++count) {
        SetValue call = TakeCall(input);
        HKEY key = nullptr;
        LSTATUS created = RegCreateKeyExA(HKEY_LOCAL_MACHINE, call.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                          KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (!parses) {
            FUZZ_CHECK(created == ERROR_BADDB || created == ERROR_BAD_PATHNAME || created == ERROR_INVALID_PARAMETER);
            FUZZ_CHECK(fuzz::ReadFile(StorePath()) == file);
            continue;
        }
        // Names the registry refuses: an empty one, one too long, a key too deep.
        FUZZ_CHECK(created == ERROR_SUCCESS || created == ERROR_BAD_PATHNAME || created == ERROR_INVALID_PARAMETER);
        if (created != ERROR_SUCCESS)
            continue;
        LSTATUS set = RegSetValueExA(key, call.name.c_str(), 0, call.type, call.data.data(),
                                     static_cast<DWORD>(call.data.size()));
        RegCloseKey(key);
        FUZZ_CHECK(set == ERROR_SUCCESS || set == ERROR_INVALID_PARAMETER);
        FUZZ_CHECK(Parses(fuzz::ReadFile(StorePath())));
        if (set == ERROR_SUCCESS)
            taken.push_back(std::move(call));
    }
    if (!parses)
        return;
    Restart();
    // The later of two writes of one value wins; read back in reverse to meet it first.
    std::vector<std::pair<std::string, std::string>> seen;
    for (auto call = taken.rbegin(); call != taken.rend(); ++call) {
        HKEY key = nullptr;
        FUZZ_CHECK(RegOpenKeyExA(HKEY_LOCAL_MACHINE, call->path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS);
        DWORD type = 0, size = 0;
        FUZZ_CHECK(RegQueryValueExA(key, call->name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS);
        std::vector<BYTE> data(size);
        FUZZ_CHECK(RegQueryValueExA(key, call->name.c_str(), nullptr, &type, data.data(), &size) == ERROR_SUCCESS);
        RegCloseKey(key);
        bool later = false;
        for (const auto& [path, name] : seen)
            later = later || (Folded(path) == Folded(call->path) && Folded(name) == Folded(call->name));
        if (!later) {
            FUZZ_CHECK(type == call->type);
            FUZZ_CHECK(data == call->data);
        }
        seen.emplace_back(call->path, call->name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    StorePath();
    fuzz::Input input(data, size);
    std::uint8_t selector = input.Byte();
    if (selector & 1) {
        CheckRewriteParses(input.Rest());
        return 0;
    }
    std::size_t length = input.Byte();
    length |= static_cast<std::size_t>(input.Byte()) << 8;
    std::string_view rest = input.Rest();
    std::string_view file = rest.substr(0, length);
    CheckRewriteParses(file);
    fuzz::Input calls(reinterpret_cast<const std::uint8_t*>(rest.data()) + file.size(), rest.size() - file.size());
    CheckCalls(file, calls);
    return 0;
}
