// Requests on a hub handle kept open while what hangs off it comes and goes: each request
// reads the port afresh, and a port emptied, or the hub itself pulled, fails as the hub
// driver fails it.
//   usb1 port 1: hub H (4 ports)   port 2: a stick
#include "hub_bench.h"
#include "tests/com/temporary_store.h"

#include "platform/base/lasterror.h"
#include "platform/devio/devio.h"
#include "platform/devio/usb_hub_ioctl.h"
#include "server/topology/hub_link.h"
#include "server/topology/root_hubs.h"

#include <string>

namespace {

using hubtest::Stick;

enum class Step { Nothing, PullStick, PlugStick, PullHub };

struct Expected {
    const char* name;
    Step step;
    bool hubAnswers;   // port count, and the port's connection
    DWORD stickStatus; // connection status of port 2
    bool stickAnswers; // its configuration descriptor and driver key
};

class HubRequests : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::BenchHub(sim::RootHubSpec(1, 4)).Add(testbed);
        hub.Add(testbed);
        testbed.Add(sim::UsbNodeRecord(stick));
        const auto roots = RootHubPaths(RootHubChoice::PortWalk);
        ASSERT_EQ(roots.size(), 1u);
        HANDLE root;
        unsigned rootPorts = 0;
        ASSERT_EQ(OpenHub(roots[0], root, rootPorts), 0u);
        std::string name;
        ASSERT_TRUE(GetConnectionName(root, 1, name));
        CloseHandle(root);
        unsigned ports = 0;
        ASSERT_EQ(OpenHub("\\\\.\\" + name, hubHandle, ports), 0u);
        ASSERT_EQ(ports, 4u);
    }
    void TearDown() override { CloseHandle(hubHandle); }

    const sim::BenchHub hub{sim::HubSpec(1, {1}, 2, 4)};
    const sim::UsbNodeSpec stick = Stick({1, 2}, 3);
    fabrun_test::TemporaryStore store;
    HANDLE hubHandle = INVALID_HANDLE_VALUE;
    sim::Testbed testbed;
};

// Whether a request answered; when it failed, that it left `error`.
void ExpectAnswer(bool answered, bool expected, DWORD error, const char* what)
{
    EXPECT_EQ(answered, expected) << what;
    if (!answered) {
        EXPECT_EQ(GetLastError(), error) << what;
    }
}

TEST_F(HubRequests, AnOpenHubSeesItsPortEmptiedAndItselfPulled)
{
    const Expected steps[] = {
        {"all there", Step::Nothing, true, DeviceConnected, true},
        {"stick pulled", Step::PullStick, true, NoDeviceConnected, false},
        {"stick plugged back", Step::PlugStick, true, DeviceConnected, true},
        {"hub pulled", Step::PullHub, false, NoDeviceConnected, false},
    };
    for (const Expected& e : steps) {
        SCOPED_TRACE(e.name);
        switch (e.step) {
        case Step::Nothing:
            break;
        case Step::PullStick:
            sim::UnplugUsbNode(testbed, stick);
            break;
        case Step::PlugStick:
            testbed.Plug(sim::UsbNodeRecord(stick));
            break;
        case Step::PullHub:
            sim::UnplugUsbNode(testbed, stick);
            hub.Unplug(testbed);
            break;
        }
        unsigned ports = 0;
        ExpectAnswer(GetHubPortCount(hubHandle, ports), e.hubAnswers, ERROR_DEVICE_NOT_CONNECTED, "port count");
        HubConnection connection;
        ExpectAnswer(GetConnection(hubHandle, 2, connection), e.hubAnswers, ERROR_DEVICE_NOT_CONNECTED, "connection");
        EXPECT_EQ(connection.status, e.stickStatus);
        std::vector<BYTE> config;
        ExpectAnswer(GetConfigDescriptor(hubHandle, 2, config), e.stickAnswers, ERROR_DEVICE_NOT_CONNECTED, "descriptor");
        std::string driverKey;
        ExpectAnswer(GetDriverKeyName(hubHandle, 2, driverKey), e.stickAnswers, ERROR_DEVICE_NOT_CONNECTED, "driver key");
        if (!e.hubAnswers)
            continue;
        HubConnection empty;
        ExpectAnswer(GetConnection(hubHandle, 1, empty), true, 0, "an empty port's connection");
        EXPECT_EQ(empty.status, NoDeviceConnected);
        ExpectAnswer(GetConfigDescriptor(hubHandle, 1, config), false, ERROR_DEVICE_NOT_CONNECTED, "an empty port's descriptor");
        ExpectAnswer(GetConnection(hubHandle, 5, empty), false, ERROR_INVALID_PARAMETER, "a port the hub does not have");
    }
}

} // namespace
