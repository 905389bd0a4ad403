// The whole-value helpers read a value of any length whole, whatever room their first read had.
#include "platform/registry/values.h"
#include "tests/com/registry_helpers.h"
#include "tests/com/temporary_store.h"

#include <gtest/gtest.h>

using namespace fabrun_test;

namespace {

TEST(RegistryValues, AValueOfAnyLengthIsReadWhole)
{
    TemporaryStore store;
    platform::registry::ScopedKey key;
    *key.out() = CreateKey(HKEY_LOCAL_MACHINE, "Lengths");
    for (std::size_t length : {0, 1, 255, 256, 257, 70000}) {
        SCOPED_TRACE(length);
        std::vector<BYTE> written(length);
        for (std::size_t at = 0; at < length; ++at)
            written[at] = static_cast<BYTE>(at * 7 + 1);
        ASSERT_EQ(RegSetValueExA(key.get(), "Data", 0, REG_BINARY, written.data(), static_cast<DWORD>(length)),
                  ERROR_SUCCESS);
        DWORD type = REG_NONE;
        std::vector<BYTE> read{0xEE};
        ASSERT_EQ(platform::registry::QueryValue(key.get(), "Data", type, read), ERROR_SUCCESS);
        EXPECT_EQ(type, REG_BINARY);
        EXPECT_EQ(read, written);

        const std::string text(length, 'x');
        ASSERT_EQ(platform::registry::KeepString(key.get(), "Text", text), ERROR_SUCCESS);
        std::string back;
        ASSERT_EQ(platform::registry::QueryString(key.get(), "Text", back), ERROR_SUCCESS);
        EXPECT_EQ(back, text);
    }
}

} // namespace
