#include "platform/registry/registry.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace fabrun_test;

namespace {

class Registry : public ::testing::Test {
protected:
    TemporaryStore store;
};

TEST_F(Registry, KeysMatchWithoutLetterCaseAndKeepTheCaseTheyWereCreatedWith)
{
    HKEY created = CreateKey(HKEY_LOCAL_MACHINE, "Software\\Tarvo\\Station");
    HKEY again = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\tarvo\\STATION", 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &again, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    ASSERT_EQ(SetText(again, "Mode", "chip"), ERROR_SUCCESS);
    EXPECT_EQ(ValueBytes(created, "MODE"), std::string("chip", 5));

    HKEY software;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &software), ERROR_SUCCESS);
    EXPECT_EQ(SubkeyNames(software), std::vector<std::string>{"Tarvo"});
    for (HKEY key : {created, again, software})
        EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, DefaultAndNamedValuesAreSeparateAndOverwritten)
{
    HKEY key = CreateKey(HKEY_CLASSES_ROOT, "CLSID\\{X}");
    ASSERT_EQ(SetText(key, nullptr, "default"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "Named", "first"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "named", "second"), ERROR_SUCCESS);
    const BYTE flag = 1;
    ASSERT_EQ(RegSetValueExA(key, "Flag", 0, REG_BINARY, &flag, 1), ERROR_SUCCESS);

    EXPECT_EQ(ValueBytes(key, nullptr), std::string("default", 8));
    EXPECT_EQ(ValueBytes(key, ""), std::string("default", 8));
    EXPECT_EQ(ValueBytes(key, "NAMED"), std::string("second", 7));
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(key, "flag", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(ValueBytes(key, "Missing"), "<error 2>");
    // The value kept the name it was first given; the later spelling only changed its data.
    EXPECT_NE(store.Text().find(" Named ="), std::string::npos);
    RegCloseKey(key);
}

TEST_F(Registry, QueryValueReportsTheSizeItNeeds)
{
    HKEY key = CreateKey(HKEY_CURRENT_USER, "Sizes");
    ASSERT_EQ(SetText(key, "Text", "abcdef"), ERROR_SUCCESS);
    struct Case {
        const char* what;
        bool withBuffer;
        DWORD room;
        LSTATUS expected;
    };
    for (const Case& c : {Case{"size only", false, 0, ERROR_SUCCESS}, Case{"too small", true, 6, ERROR_MORE_DATA},
                          Case{"exact", true, 7, ERROR_SUCCESS}, Case{"larger", true, 64, ERROR_SUCCESS}}) {
        BYTE buffer[64] = {};
        DWORD size = c.room;
        EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, c.withBuffer ? buffer : nullptr, &size), c.expected)
            << c.what;
        EXPECT_EQ(size, 7u) << c.what;
        if (c.withBuffer && c.expected == ERROR_SUCCESS) {
            EXPECT_STREQ(reinterpret_cast<char*>(buffer), "abcdef") << c.what;
        }
    }
    BYTE buffer[8];
    EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
    RegCloseKey(key);
}

TEST_F(Registry, SubkeysEnumerateInNameOrderWhateverTheirCase)
{
    HKEY parent = CreateKey(HKEY_LOCAL_MACHINE, "Enum");
    for (const char* name : {"vid_1234", "Vid_0001", "VID_abcd", "a"})
        RegCloseKey(CreateKey(parent, name));
    EXPECT_EQ(SubkeyNames(parent), (std::vector<std::string>{"a", "Vid_0001", "vid_1234", "VID_abcd"}));

    char name[4];
    DWORD length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(parent, 1, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(parent, 4, name, &length, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
    RegCloseKey(parent);
}

TEST_F(Registry, DeleteTakesOnlyKeysWithoutSubkeys)
{
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, "Tree\\Branch\\Leaf"));
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Tree\\Branch"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "tree\\branch\\LEAF"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Tree\\Branch\\Leaf"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Tree\\Branch"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Tree"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Tree\\Branch"));
}

TEST_F(Registry, AKeyDeletedBehindAnOpenHandleSaysSo)
{
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Gone");
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Gone"), ERROR_SUCCESS);
    HKEY child = nullptr;
    EXPECT_EQ(SetText(key, "x", "y"), ERROR_KEY_DELETED);
    EXPECT_EQ(ValueBytes(key, "x"), "<error 1018>");
    EXPECT_EQ(RegCreateKeyExA(key, "Child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &child, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(child, nullptr);
    EXPECT_EQ(RegOpenKeyExA(key, nullptr, 0, KEY_READ, &child), ERROR_KEY_DELETED);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Gone"));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
}

TEST_F(Registry, AccessRightsOfTheHandleAreEnforced)
{
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, "Rights\\Sub"));
    struct Case {
        REGSAM access;
        LSTATUS set, query, enumerate, create;
    };
    for (const Case& c : {Case{KEY_READ, ERROR_ACCESS_DENIED, ERROR_FILE_NOT_FOUND, ERROR_SUCCESS, ERROR_ACCESS_DENIED},
                          Case{KEY_WRITE, ERROR_SUCCESS, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED, ERROR_SUCCESS},
                          Case{KEY_ALL_ACCESS, ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS, ERROR_SUCCESS}}) {
        SCOPED_TRACE(c.access);
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Rights", 0, c.access, &key), ERROR_SUCCESS);
        EXPECT_EQ(SetText(key, "Value", "v"), c.set);
        // The rows run in order: the value exists only once a row with the right to set it ran.
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExA(key, "Value", nullptr, nullptr, nullptr, &size), c.query);
        char name[16];
        DWORD length = sizeof name;
        EXPECT_EQ(RegEnumKeyExA(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr), c.enumerate);
        HKEY created = nullptr;
        EXPECT_EQ(RegCreateKeyExA(key, "New", 0, nullptr, 0, KEY_READ, nullptr, &created, nullptr), c.create);
        // Opening a key that exists needs no right to create.
        HKEY existing = nullptr;
        EXPECT_EQ(RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_READ, nullptr, &existing, nullptr), ERROR_SUCCESS);
        for (HKEY opened : {created, existing, key})
            if (opened != nullptr)
                RegCloseKey(opened);
    }
}

TEST_F(Registry, BadHandlesAndPathsAreRefused)
{
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Handles");
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(SetText(key, "x", "y"), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);

    HKEY opened = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A\\\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr),
              ERROR_BAD_PATHNAME);
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, std::string(256, 'k').c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &opened, nullptr),
              ERROR_INVALID_PARAMETER);
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, std::string(255, 'k').c_str()));
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Absent", 0, KEY_READ, &opened), ERROR_FILE_NOT_FOUND);
}

// Names beyond ASCII take another way through folding and length checks than plain ones.
TEST_F(Registry, NamesBeyondAsciiMatchWithoutLetterCaseAndCountCharactersNotBytes)
{
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "\xC3\x84rger"); // Ärger
    ASSERT_EQ(SetText(key, "\xC3\xA9t\xC3\xA9", "summer"), ERROR_SUCCESS); // été
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "\xC3\xA4RGER"));
    EXPECT_EQ(ValueBytes(key, "\xC3\x89T\xC3\x89"), std::string("summer", 7));
    RegCloseKey(key);

    struct Case {
        std::size_t characters;
        LSTATUS expected;
    };
    for (const Case& c : {Case{255, ERROR_SUCCESS}, Case{256, ERROR_INVALID_PARAMETER}}) {
        std::string name;
        for (std::size_t at = 0; at < c.characters; ++at)
            name += "\xC3\xA9";
        HKEY created = nullptr;
        EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                                  nullptr),
                  c.expected)
            << c.characters;
        if (created != nullptr)
            RegCloseKey(created);
    }
}

TEST_F(Registry, NamesAndDataOfAnyKindSurviveTheStoreFile)
{
    const std::vector<std::string> names = {"with space", "100%", "@", "line\nbreak", "Gr\xC3\xBC\xC3\x9F" "e", "a=b:c"};
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Odd");
    for (const std::string& name : names) {
        RegCloseKey(CreateKey(key, name.c_str()));
        ASSERT_EQ(SetText(key, name.c_str(), name), ERROR_SUCCESS) << name;
    }
    const BYTE binary[] = {0x00, 0xFF, 0x0A, 0x25, 0x00};
    ASSERT_EQ(RegSetValueExA(key, "Binary", 0, REG_BINARY, binary, sizeof binary), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Empty", 0, REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key, "EmptyText", ""), ERROR_SUCCESS);
    RegCloseKey(key);

    // The same bytes as a new file: what comes back here is read from the file, not from the
    // parsed copy the writes left behind.
    ASSERT_TRUE(store.Replace(store.Text()));
    key = CreateKey(HKEY_LOCAL_MACHINE, "odd");
    for (const std::string& name : names) {
        EXPECT_EQ(ValueBytes(key, name.c_str()), name + '\0') << name;
        EXPECT_TRUE(KeyExists(key, name.c_str())) << name;
    }
    EXPECT_EQ(ValueBytes(key, "Binary"), std::string(reinterpret_cast<const char*>(binary), sizeof binary));
    EXPECT_EQ(ValueBytes(key, "Empty"), "");
    EXPECT_EQ(ValueBytes(key, "EmptyText"), std::string(1, '\0'));
    RegCloseKey(key);
}

TEST_F(Registry, AStoreFileThatCannotBeReadIsReportedAndLeftAlone)
{
    RegCloseKey(CreateKey(HKEY_LOCAL_MACHINE, "Before"));
    const std::string damaged = store.Text() + "value 1 broken\n";
    std::ofstream(store.path(), std::ios::binary | std::ios::trunc) << damaged;

    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Before", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "After", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_BADDB);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(store.Text(), damaged);
}

TEST_F(Registry, AWriteTheSystemRefusesFailsAndKeepsTheStoreAsItWas)
{
    HKEY key = CreateKey(HKEY_LOCAL_MACHINE, "Kept");
    ASSERT_EQ(SetText(key, "Value", "old"), ERROR_SUCCESS);
    const std::string before = store.Text();
    {
        RefusedWrites refused;
        EXPECT_NE(SetText(key, "Value", "new"), ERROR_SUCCESS);
        EXPECT_NE(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Kept"), ERROR_SUCCESS);
    }
    EXPECT_EQ(store.Text(), before);
    EXPECT_EQ(ValueBytes(key, "Value"), std::string("old", 4));
    EXPECT_FALSE(std::filesystem::exists(store.path() + ".tmp"));
    RegCloseKey(key);
}

// A test's own store must not leave the program on the machine's store afterwards.
TEST(TemporaryStore, PutsBackTheStoreUsedBefore)
{
    const std::string before = platform::RegistryStorePath();
    {
        TemporaryStore outer;
        {
            TemporaryStore inner;
            EXPECT_EQ(platform::RegistryStorePath(), inner.path());
        }
        EXPECT_EQ(platform::RegistryStorePath(), outer.path());
    }
    EXPECT_EQ(platform::RegistryStorePath(), before);
}

} // namespace
