// An open handle finds its key again in every new version of the store: what was deleted,
// re-created or changed behind it, by this process or by another, is what the next call sees.
#include "platform/registry/registry.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace fabrun_test;

namespace {

enum class By { ThisProcess, AnotherProcess };

// Runs `change` here or in a child process, which starts with this process's parsed store.
void ChangeBehind(By by, const std::function<bool()>& change)
{
    if (by == By::ThisProcess) {
        ASSERT_TRUE(change());
        return;
    }
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        _exit(change() ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

bool Delete(const char* path)
{
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path) == ERROR_SUCCESS;
}

bool Create(const char* path, const char* valueName = nullptr)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool done = valueName == nullptr || SetText(key, valueName, "new") == ERROR_SUCCESS;
    return RegCloseKey(key) == ERROR_SUCCESS && done;
}

bool DeleteHeld()
{
    return Delete("Held\\Sub\\Leaf") && Delete("Held\\Sub") && Delete("Held\\Other") && Delete("Held");
}

// The status of a subkey's enumeration at `index`, with its name when there is one.
std::string EnumeratedAt(HKEY key, DWORD index)
{
    char name[64];
    DWORD length = sizeof name;
    LSTATUS status = RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
    return status == ERROR_SUCCESS ? std::string(name, length) : "<error " + std::to_string(status) + ">";
}

TEST(RegistryOpenHandle, SeesTheKeyAsTheStoreHoldsItNow)
{
    struct Case {
        const char* what;
        std::function<bool()> change;
        std::string old, fresh; // the values "Old" and "New" through the held handle
        std::vector<std::string> subkeys; // enumerated from index 0, 1, ... through the held handle
        std::string leaf; // the value "Old" of Held\Sub\Leaf, opened through the held handle
    };
    const std::string deleted = "<error 1018>", missing = "<error 2>", old = std::string("old", 4),
                      fresh = std::string("new", 4);
    const Case cases[] = {
        {"deleted", DeleteHeld, deleted, deleted, {deleted}, deleted},
        {"deleted and created again",
         [] { return DeleteHeld() && Create("Held", "New") && Create("Held\\Sub\\Leaf"); },
         missing, fresh, {"Sub"}, missing},
        {"a subkey added before the others, one deleted and created again, a value set",
         [] {
             return Create("Held\\A") && Delete("Held\\Sub\\Leaf") && Create("Held\\Sub\\Leaf", "New") &&
                    Create("Held", "New");
         },
         old, fresh, {"A", "Other", "Sub"}, missing},
    };
    for (const Case& c : cases) {
        for (By by : {By::ThisProcess, By::AnotherProcess}) {
            SCOPED_TRACE(std::string(c.what) + (by == By::ThisProcess ? ", by this process" : ", by another process"));
            TemporaryStore store;
            HKEY held = CreateKey(HKEY_LOCAL_MACHINE, "Held");
            HKEY leaf = CreateKey(held, "Sub\\Leaf");
            RegCloseKey(CreateKey(held, "Other"));
            ASSERT_EQ(SetText(held, "Old", "old"), ERROR_SUCCESS);
            ASSERT_EQ(SetText(leaf, "Old", "old"), ERROR_SUCCESS);
            // Every call below has found its key in this version of the store before.
            ASSERT_EQ(ValueBytes(held, "Old"), old);
            ASSERT_EQ(SubkeyNames(held), (std::vector<std::string>{"Other", "Sub"}));
            ASSERT_EQ(ValueBytes(leaf, "Old"), old);

            ChangeBehind(by, c.change);
            EXPECT_EQ(ValueBytes(held, "Old"), c.old);
            EXPECT_EQ(ValueBytes(held, "New"), c.fresh);
            std::vector<std::string> enumerated;
            for (DWORD index = 0; index < c.subkeys.size(); ++index)
                enumerated.push_back(EnumeratedAt(held, index));
            EXPECT_EQ(enumerated, c.subkeys);
            EXPECT_EQ(EnumeratedAt(held, static_cast<DWORD>(c.subkeys.size())), c.subkeys[0] == deleted ? deleted : "<error 259>");
            EXPECT_EQ(ValueBytes(leaf, "Old"), c.leaf);
            RegCloseKey(leaf);
            RegCloseKey(held);
        }
    }
}

} // namespace
