// The settings saved while workers give serial numbers: a save never puts an older number
// back into the file than the last one a device got.
#include "engine/ports/run_result.h"
#include "engine/serial/serial_number.h"
#include "tests/fakes/fake_portwarden.h"
#include "tests/serial/serial_station.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

TEST(SerialNumberSave, ASaveDuringARunKeepsTheLatestNumberInTheFile)
{
    SerialStation station({.mode = 2, .number = 0x100, .step = 1});
    auto frame = station.Load();
    std::atomic<ULONGLONG> lastGiven{0x100};
    std::atomic<bool> running{true};
    std::thread worker([&] {
        FakePortwardenCtrl server;
        PortDevice device{&server, nullptr, nullptr, 0};
        for (int n = 0; n < 1500; ++n) {
            PortThreadParam param{};
            PreparePort(param, *frame, 0);
            ASSERT_EQ(GenerateNextSerialNumber(param, device), RunResult::Success);
            lastGiven = param.serialNumber;
        }
        running = false;
    });
    CIniFile file(station.folder.WideFile("cis.ini"));
    int saves = 0;
    while (running) {
        ASSERT_TRUE(frame->SaveCISSettings().Saved());
        ++saves;
        const ULONGLONG given = lastGiven; // before the file is read: the file can only be ahead
        const ULONGLONG saved = file.GetHex64(u"CIS_Setting", u"SerialNumberX", 0);
        ASSERT_GE(saved, given) << "a device already has 0x" << std::hex << given;
    }
    worker.join();
    EXPECT_GT(saves, 0);
    EXPECT_EQ(station.SavedNumber(), 0x100u + 1500u);
}

} // namespace
