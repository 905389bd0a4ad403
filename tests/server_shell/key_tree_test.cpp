// Deleting key trees from the store: the tree goes and nothing beside it, a missing tree
// counts as deleted, and what cannot be deleted fails instead of looping or reaching
// another key.
#include "server/registry/device_records.h"
#include "server/registry/key_tree.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"
#include "tests/server_shell/captured_lines.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace fabrun_test;

constexpr const char* kHeader = "fabrun-registry 1\n";
constexpr const char* kModel = "HKEY_LOCAL_MACHINE\\SYSTEM\\Enum\\USB\\Vid_1e3d&Pid_6025";
constexpr const char* kBeside = "key HKEY_LOCAL_MACHINE\\SYSTEM\\Enum\\USB\\Vid_1e3d&Pid_6026\nvalue 1 Driver =x\n";

struct TreeCase {
    const char* name;
    std::string store; // below the header
    std::string path;  // below HKEY_LOCAL_MACHINE
    int result;
    const char* line;     // a debug line written, or ""
    bool treeGone;        // the model's key no longer opens
};

class DeleteKeyTree : public ::testing::TestWithParam<TreeCase> {
protected:
    TemporaryStore store;
};

TEST_P(DeleteKeyTree, DeletesTheTreeOrFailsWithoutTouchingAnythingBeside)
{
    const TreeCase& c = GetParam();
    ASSERT_TRUE(store.Replace(kHeader + c.store + kBeside));
    CapturedLines lines;
    EXPECT_EQ(portwarden::DeleteKeyTree(c.path), c.result);
    const auto written = lines.Take();
    if (*c.line != '\0') {
        EXPECT_NE(std::find_if(written.begin(), written.end(),
                               [&](const std::string& line) { return line.find(c.line) != std::string::npos; }),
                  written.end())
            << ::testing::PrintToString(written);
    }
    EXPECT_EQ(KeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\Enum\\USB\\Vid_1e3d&Pid_6025"), !c.treeGone);
    EXPECT_NE(store.Text().find(kBeside), std::string::npos) << store.Text();
}

const std::string kTree = std::string("key ") + kModel + "\nvalue 1 @ =model\nkey " + kModel + "\\SN1\nkey " + kModel +
                          "\\SN1\\Device%20Parameters\nvalue 1 SymbolicName =x\nkey " + kModel + "\\5&1&0&2\nkey " +
                          kModel + "\\5&1&0&2\\Device%20Parameters\n";

INSTANTIATE_TEST_SUITE_P(Cases, DeleteKeyTree,
    ::testing::Values(
        TreeCase{"wholeTree", kTree, "SYSTEM\\Enum\\USB\\VID_1E3D&PID_6025", 1, "", true},
        TreeCase{"missingTree", "", "SYSTEM\\Enum\\USB\\VID_1E3D&PID_6025", 1, "Key not found.", true},
        // A store written by an older tool holds a name with a '\': listed, but no path
        // reaches it, so each deletion of it "succeeds" with "Key not found.".
        TreeCase{"subkeyListedButUnreachable", kTree + "key " + kModel + "\\SN%5CX\n",
                 "SYSTEM\\Enum\\USB\\VID_1E3D&PID_6025", 0, "is still listed after its deletion", false},
        TreeCase{"pathTooLongForItsBuffer", kTree, "SYSTEM\\" + std::string(520, 'k'), 0, "do not fit a key path",
                 false},
        TreeCase{"badPath", kTree, "SYSTEM\\\\Enum", 0, "Error opening key.", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DeleteKeyTreeStore, AStoreThatIsNotAStoreIsNeitherReadNorWritten)
{
    TemporaryStore store;
    ASSERT_TRUE(store.Replace("not a store\n"));
    EXPECT_EQ(portwarden::DeleteKeyTree("SYSTEM"), 0);
    EXPECT_EQ(store.Text(), "not a store\n");
}

TEST(DeviceRecordKeys, NamesOfTheModelsRecords)
{
    EXPECT_EQ(portwarden::UsbRecordsKey(0x1234, 0xABCD), "SYSTEM\\CurrentControlSet\\Enum\\USB\\Vid_1234&Pid_abcd");
    EXPECT_EQ(portwarden::StorageRecordsKey("Tarvo", "Flash_Disk", "1.00"),
              "SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_Tarvo&Prod_Flash_Disk&Rev_1.00");
    EXPECT_EQ(portwarden::StorageRecordsKey("", "", ""), "SYSTEM\\CurrentControlSet\\Enum\\USBSTOR\\Disk&Ven_&Prod_&Rev_");
    for (const char* text : {"\\", "a\\b", "1.00\\"}) {
        EXPECT_EQ(portwarden::StorageRecordsKey(text, "p", "r"), std::nullopt) << text;
        EXPECT_EQ(portwarden::StorageRecordsKey("v", text, "r"), std::nullopt) << text;
        EXPECT_EQ(portwarden::StorageRecordsKey("v", "p", text), std::nullopt) << text;
    }
}

TEST(IgnoreSerialFlag, ValueNameEndsInTheIdsInLowerCaseHex)
{
    TemporaryStore store;
    EXPECT_EQ(portwarden::SetIgnoreSerialFlag(0x1234, 0xABCD), 1);
    HKEY flags = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\usbflags", 0, KEY_READ, &flags),
              ERROR_SUCCESS);
    EXPECT_EQ(ValueBytes(flags, "IgnoreHWSerNum1234abcd"), std::string(1, '\x01'));
    RegCloseKey(flags);
}

} // namespace
