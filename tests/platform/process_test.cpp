#include "platform/process/process.h"

#include <gtest/gtest.h>

TEST(Process, ProgramFolderEndsWithSeparatorAndHoldsTheProgram)
{
    char16_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::u16string full(path, length);
    std::u16string folder = platform::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), u'/');
    EXPECT_EQ(full.substr(0, folder.size()), folder);
    EXPECT_EQ(full.substr(folder.size()), u"platform_base_test");
}

TEST(Process, TooSmallBufferIsTruncatedAndTerminated)
{
    char16_t path[4];
    EXPECT_EQ(GetModuleFileNameW(nullptr, path, 4), 4u);
    EXPECT_EQ(path[3], u'\0');
}
