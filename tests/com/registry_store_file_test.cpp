// The store file the station writes always parses again, whatever bytes its names hold,
// and a store no real registry has (keys nested deeper than any registry allows) is refused
// with a clear error instead of exhausting the stack.
#include "platform/debug/debug.h"
#include "platform/registry/registry.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace fabrun_test;

namespace {

class RegistryStoreFile : public ::testing::Test {
protected:
    // Makes the next call read the store file afresh, as the next start of the station does.
    void Restart() { ASSERT_TRUE(store.Replace(store.Text())); }

    TemporaryStore store;
};

// A name for every byte value but NUL (and, for key names, the path separator); the small
// letters name the same keys as the capitals, so they are left to the capitals.
std::vector<std::string> EveryByteName(const std::string& prefix, bool withBackslash)
{
    std::vector<std::string> names;
    for (int byte = 1; byte < 256; ++byte)
        if ((withBackslash || byte != '\\') && !(byte >= 'a' && byte <= 'z'))
            names.push_back(prefix + static_cast<char>(byte) + "x");
    return names;
}

TEST_F(RegistryStoreFile, KeyAndValueNamesOfEveryByteComeBackAfterARestart)
{
    HKEY parent = CreateKey(HKEY_LOCAL_MACHINE, "Bytes");
    const std::vector<std::string> keys = EveryByteName("k", false), values = EveryByteName("v", true);
    for (const std::string& name : keys)
        RegCloseKey(CreateKey(parent, name.c_str()));
    for (const std::string& name : values)
        ASSERT_EQ(SetText(parent, name.c_str(), "data " + name), ERROR_SUCCESS);
    RegCloseKey(parent);

    Restart();
    HKEY reopened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Bytes", 0, KEY_READ, &reopened), ERROR_SUCCESS);
    std::vector<std::string> found = SubkeyNames(reopened), expected = keys;
    std::sort(found.begin(), found.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
    for (const std::string& name : keys)
        EXPECT_TRUE(KeyExists(reopened, name.c_str())) << static_cast<int>(static_cast<unsigned char>(name[1]));
    for (const std::string& name : values)
        EXPECT_EQ(ValueBytes(reopened, name.c_str()), "data " + name + '\0')
            << static_cast<int>(static_cast<unsigned char>(name[1]));
    RegCloseKey(reopened);
}

// A backslash cannot be typed into a key name, but a store file can hold one in its escaped
// form; it must stay one name, and the store must stay readable, through every later write.
TEST_F(RegistryStoreFile, AnEscapedBackslashInAKeyNameStaysInThatName)
{
    ASSERT_TRUE(store.Replace("fabrun-registry 1\nkey HKEY_LOCAL_MACHINE\\a%5Cb\nvalue 1 v =1\n"
                              "key HKEY_LOCAL_MACHINE\\x%5C\nvalue 1 w =2\n"));
    HKEY other = CreateKey(HKEY_LOCAL_MACHINE, "Other");
    ASSERT_EQ(SetText(other, "v", "3"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(other, "v", "4"), ERROR_SUCCESS) << "the store no longer parses after a write";
    RegCloseKey(other);

    Restart();
    HKEY machine = CreateKey(HKEY_LOCAL_MACHINE, "");
    EXPECT_EQ(SubkeyNames(machine), (std::vector<std::string>{"a\\b", "Other", "x\\"}));
    RegCloseKey(machine);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "a"));
    EXPECT_NE(store.Text().find("\nkey HKEY_LOCAL_MACHINE\\a%5Cb\n"), std::string::npos);
}

std::string NestedPath(std::size_t levels)
{
    std::string path;
    for (std::size_t level = 0; level < levels; ++level)
        path += level == 0 ? "n" : "\\n";
    return path;
}

TEST_F(RegistryStoreFile, KeysNestDownToTheRegistrysDepthAndNoFurther)
{
    HKEY deepest = CreateKey(HKEY_CURRENT_USER, NestedPath(kMaxKeyDepth).c_str());
    ASSERT_EQ(SetText(deepest, "v", "deep"), ERROR_SUCCESS);
    HKEY tooDeep = nullptr;
    EXPECT_EQ(RegCreateKeyExA(deepest, "more", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &tooDeep,
                              nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(tooDeep, nullptr);
    RegCloseKey(deepest);

    Restart();
    HKEY reopened = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, NestedPath(kMaxKeyDepth).c_str(), 0, KEY_READ, &reopened),
              ERROR_SUCCESS);
    EXPECT_EQ(ValueBytes(reopened, "v"), std::string("deep", 5));
    RegCloseKey(reopened);
}

// A crafted store nested far deeper than any registry: every call refuses it as a damaged
// store, with a debug line that says why, and the file is left as it is.
TEST_F(RegistryStoreFile, AStoreNestedDeeperThanAnyRegistryIsRefused)
{
    const std::string crafted = "fabrun-registry 1\nkey HKEY_LOCAL_MACHINE\\" + NestedPath(200000) + "\n";
    ASSERT_TRUE(store.Replace(crafted));
    std::vector<std::string> lines;
    platform::DebugSink previous = platform::SetDebugSink([&](std::string_view line) { lines.emplace_back(line); });
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Tarvo", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_BADDB);
    platform::SetDebugSink(previous);
    EXPECT_EQ(store.Text(), crafted);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("nested deeper than 512 levels") != std::string::npos;
    })) << (lines.empty() ? "no debug line" : lines.front());
}

} // namespace
