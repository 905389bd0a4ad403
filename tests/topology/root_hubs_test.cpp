// Which hub paths each walk starts from. Listed hub paths are lower case, but a host
// controller gives its root hub's name in the instance id's own case.
#include "server/topology/root_hubs.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* path;
    bool portWalk;
    bool portWalkUsb30;
    bool hubList;
};

TEST(RootHubPaths, EachWalkKeepsItsKindsOfRootHubInEitherLetterCase)
{
    const Case cases[] = {
        {"\\\\?\\usb#root_hub20#4&1b2c3d4&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, false, true},
        {"\\\\?\\USB#ROOT_HUB20#4&1B2C3D4&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, false, true},
        {"\\\\?\\usb#root_hub30#4&9a8b7c6&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, true, true},
        {"\\\\?\\USB#ROOT_HUB30#4&9A8B7C6&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, true, true},
        {"\\\\?\\usb#root_hub_fl30#4&1&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, false, false},
        {"\\\\?\\ostra_root_hub#5&1&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, false, true},
        {"\\\\?\\pci#ven_8086&dev_a36d#3&1&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, false, true},
        {"\\\\?\\asmediausbd_hub#vid_040e&pid_0001#5&1&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, false, false},
        {"\\\\?\\asmediausbd_hub#vid_1b21&pid_0001#5&1&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", false, false, false},
        {"\\\\?\\tiusbd_hub#5&1&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, false, false},
        {"\\\\?\\flusb#root#5&1&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", true, false, false},
        // An external hub, and a root hub's name that is not at the start of the path.
        {"\\\\?\\usb#vid_05e3&pid_0610#5&2&0&1#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", false, false, false},
        {"\\\\.\\usb#root_hub20#4&1b2c3d4&0#{f18a0e88-c30c-11d0-8815-00a0c906bed8}", false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(IsRootHubPath(c.path, RootHubChoice::PortWalk), c.portWalk);
        EXPECT_EQ(IsRootHubPath(c.path, RootHubChoice::PortWalkUsb30), c.portWalkUsb30);
        EXPECT_EQ(IsRootHubPath(c.path, RootHubChoice::HubList), c.hubList);
    }
}

} // namespace
