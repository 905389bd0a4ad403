// Message boxes reach the GUI thread whichever thread asks, and say what they show.
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"

#include <QApplication>
#include <QThread>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

class MessageBoxes : public ::testing::Test {
protected:
    MessageBoxes()
    {
        platform::SetDebugSink([this](std::string_view line) { lines_.emplace_back(line); });
    }
    ~MessageBoxes() override
    {
        platform::SetMessageBoxScript({});
        platform::SetDebugSink({});
    }
    std::vector<std::string> lines_;
};

TEST_F(MessageBoxes, WorkerAsksAndTheGuiThreadAnswers)
{
    bool onGuiThread = false;
    platform::MessageBoxRequest seen{};
    platform::SetMessageBoxScript([&](const platform::MessageBoxRequest& request) {
        onGuiThread = QThread::currentThread() == QApplication::instance()->thread();
        seen = request;
        return IDNO;
    });
    std::atomic<int> answer{0};
    std::thread worker([&] { answer = MessageBoxA(nullptr, "Cis erase fail", nullptr, MB_YESNO | MB_ICONERROR); });
    while (answer == 0)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    worker.join();
    EXPECT_EQ(answer, IDNO);
    EXPECT_TRUE(onGuiThread);
    EXPECT_EQ(seen.text, u"Cis erase fail");
    EXPECT_EQ(seen.caption, u"Error") << "a box without caption is an error box";
    EXPECT_EQ(seen.type, MB_YESNO | MB_ICONERROR);
    EXPECT_FALSE(seen.hasOwner);
    EXPECT_EQ(lines_, std::vector<std::string>{"MessageBox [Error]: Cis erase fail"});
}

TEST_F(MessageBoxes, OffscreenBoxAnswersItsFirstButton)
{
    EXPECT_EQ(MessageBoxW(nullptr, u"The application is already running.", u"Error Message", MB_ICONERROR), IDOK);
    EXPECT_EQ(MessageBoxW(nullptr, u"Again?", u"Question", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxW(nullptr, u"Open x failed", u"Error", MB_RETRYCANCEL), IDCANCEL) << "never retried unseen";
    EXPECT_EQ(lines_.size(), 3u);
}

} // namespace
