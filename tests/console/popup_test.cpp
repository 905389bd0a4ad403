// Closing other programs' dialogs by title, against a real X server.
#include "platform/debug/debug.h"
#include "platform/popup/popup.h"
#include "xvfb_server.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ForeignDialogs, WithoutDisplayNothingIsFoundAndOneLineSaysSo)
{
    unsetenv("DISPLAY");
    std::vector<std::string> lines;
    platform::SetDebugSink([&](std::string_view line) { lines.emplace_back(line); });
    EXPECT_EQ(platform::FindForeignDialog(u"Fabrun Error"), 0u);
    EXPECT_EQ(platform::FindForeignDialog(u"Fabrun Error"), 0u);
    EXPECT_FALSE(platform::RequestCloseForeignWindow(0));
    platform::SetDebugSink({});
    EXPECT_EQ(lines, std::vector<std::string>{"No X11 display: other programs' pop-up windows are not closed"});
}

TEST(ForeignDialogsOnX, DialogWithTheExactTitleIsAskedToClose)
{
    consoletest::XServer server;
    if (server.Display().empty())
        GTEST_SKIP() << "Xvfb is not installed";
    setenv("DISPLAY", server.Display().c_str(), 1);
    consoletest::XClient other(server.Display());
    ASSERT_TRUE(other.Connected());
    other.Window("Setup Error", false);
    other.Window("Setup Error ", true);
    xcb_window_t dialog = other.Window("Setup Error", true);
    other.Window("", true);

    EXPECT_EQ(platform::FindForeignDialog(u"Setup Error"), dialog) << "not the normal window, not the other title";
    EXPECT_EQ(platform::FindForeignDialog(u"setup error"), 0u) << "the title is compared exactly";
    EXPECT_EQ(platform::FindForeignDialog(u""), 0u) << "an empty title never matches the untitled dialog";
    ASSERT_TRUE(platform::RequestCloseForeignWindow(dialog));
    EXPECT_EQ(other.NextCloseRequest(true), std::make_pair(dialog, true));
    unsetenv("DISPLAY");
}

} // namespace
