#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

struct Sample {
    int port;
    int value;
};

class QueueWindow final : public MessageWindow {
public:
    ~QueueWindow() override { StopReceiving(); }
    void Post(PostedMessage message) override
    {
        std::lock_guard guard(lock);
        queue.push_back(std::move(message));
    }
    std::mutex lock;
    std::vector<PostedMessage> queue;
};

} // namespace

TEST(Window, PostedRecordIsACopyTakenAtPostTime)
{
    QueueWindow window;
    Sample sample{3, 100};
    ASSERT_TRUE(platform::PostRecord(&window, WM_USER + 0x64, sample));
    sample.value = 200; // the sender rewrites its record after posting
    ASSERT_EQ(window.queue.size(), 1u);
    EXPECT_EQ(window.queue[0].message, WM_USER + 0x64u);
    EXPECT_EQ(window.queue[0].Record<Sample>().port, 3);
    EXPECT_EQ(window.queue[0].Record<Sample>().value, 100);
}

TEST(Window, PostToADestroyedWindowFails)
{
    HWND gone;
    {
        QueueWindow window;
        gone = &window;
        EXPECT_TRUE(IsWindow(gone));
    }
    EXPECT_FALSE(IsWindow(gone));
    EXPECT_FALSE(PostMessageW(gone, WM_USER, 0, 0));
}
