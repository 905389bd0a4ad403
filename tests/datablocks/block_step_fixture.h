// A port running the block steps against a fake flash drive, with the positions its view
// was sent and the message boxes the operator was shown.
#pragma once

#include "engine/ports/port_messages.h"
#include "engine/ports/port_reporter.h"
#include "platform/msgbox/msgbox.h"
#include "tests/datablocks/fake_flash_drive.h"
#include "tests/serial/serial_station.h"

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

class ProgressView final : public MessageWindow {
public:
    ~ProgressView() override { StopReceiving(); }
    void Post(PostedMessage message) override
    {
        std::lock_guard guard(lock_);
        if (message.message == WM_PORT_PROGRESS)
            positions_.push_back(message.Record<PortProgress>().progress);
    }
    std::vector<int> Positions()
    {
        std::lock_guard guard(lock_);
        return positions_;
    }

private:
    std::mutex lock_;
    std::vector<int> positions_;
};

class BlockStepTest : public ::testing::Test {
protected:
    BlockStepTest() : station({.mode = 2, .number = 0x100, .step = 1, .length = 16})
    {
        frame = station.Load();
        PreparePort(param, *frame, 5);
        param.hwndView = &view;
        platform::SetMessageBoxScript([this](const platform::MessageBoxRequest& request) {
            boxes.push_back(request.text);
            return IDOK;
        });
    }
    ~BlockStepTest() override { platform::SetMessageBoxScript({}); }

    CISSetting& Settings() { return frame->CisSetting; }

    SerialStation station;
    std::unique_ptr<MainFrameSettings> frame;
    ProgressView view;
    PortThreadParam param{};
    FakeFlashDrive drive;
    PortDevice device{&drive, &drive, nullptr, 5};
    std::vector<std::u16string> boxes;
};

// Flips `bits` bits of the bytes from `offset` on in the read numbered `readNumber`.
inline std::function<void(std::size_t, BYTE*, std::size_t)> FlipBits(std::size_t readNumber, std::size_t offset, int bits)
{
    return [=](std::size_t number, BYTE* data, std::size_t) {
        if (number != readNumber)
            return;
        for (int bit = 0; bit < bits; ++bit)
            data[offset + static_cast<std::size_t>(bit) / 8] ^= static_cast<BYTE>(1u << (bit % 8));
    };
}

// Every transfer (not the erases) went with these arguments.
inline void ExpectTransfers(const FakeFlashDrive& drive, INT kind, INT flags, const std::string& tag, INT length)
{
    for (const BlockCall& call : drive.calls) {
        if (call.what == "erase")
            continue;
        EXPECT_EQ(call.kind, kind) << call.what << " " << call.address;
        EXPECT_EQ(call.flags, flags) << call.what << " " << call.address;
        EXPECT_EQ(call.tag, tag) << call.what << " " << call.address;
        EXPECT_EQ(call.length, length) << call.what << " " << call.address;
    }
}
