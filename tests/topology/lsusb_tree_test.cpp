// The walk's view of the bench's tree agrees with what lsusb -t shows for the same sysfs:
// every mass-storage device at the same port chain.
#include "bench_tree.h"

#include "server/topology/usb_topology.h"

#include <cstdio>
#include <memory>
#include <set>

namespace {

// Port chains of the devices that are not hubs in lsusb -t (hubs show their port count
// as "Driver=/4p"; indentation gives the depth).
std::set<std::vector<unsigned>> LsusbDevices(std::string& text)
{
    std::set<std::vector<unsigned>> chains;
    FILE* pipe = ::popen("lsusb -t 2>/dev/null", "r");
    if (pipe == nullptr)
        return chains;
    std::vector<unsigned> path;
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        text += line;
        std::string s = line;
        auto port = s.find("Port ");
        if (port == std::string::npos)
            continue;
        const std::size_t depth = s.find_first_not_of(' ') / 4; // "/:" root lines at 0, each level 4 more
        unsigned number = 0;
        std::sscanf(s.c_str() + port + 5, "%u", &number);
        if (s.find("/:") != std::string::npos) {
            path.clear();
            continue;
        }
        path.resize(depth - 1);
        path.push_back(number);
        if (s.find("Driver=/") == std::string::npos)
            chains.insert(path);
    }
    ::pclose(pipe);
    return chains;
}

std::vector<unsigned> ChainOf(const PortRecord& record)
{
    std::vector<unsigned> chain;
    for (int t = 1; t < record.hubTier; ++t)
        chain.push_back(record.tierChain[2 * (t - 1) + 1] >> 4);
    chain.push_back(record.portNumber);
    return chain;
}

using LsusbTree = topologytest::BenchTree;

TEST_F(LsusbTree, WalkAgreesWithLsusbTree)
{
    if (std::system("command -v lsusb >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "lsusb (usbutils) is not installed";
    CSTDCMDControl standard;
    CVCommCMDControl vendor;
    TopologySwitches switches;
    switches.productFilterDisabled = 1; // every disk counts, as lsusb lists every device
    UsbTopology topology(standard, vendor, switches);
    auto records = std::make_unique<PortRecord[]>(kPortCount);
    ASSERT_EQ(topology.EnumerateScanUSBPort(records.get()), 1);
    std::set<std::vector<unsigned>> walked;
    for (int i = 0; i < kPortCount && records[i].hubTier != 0; ++i)
        walked.insert(ChainOf(records[i]));
    std::string text;
    const auto listed = LsusbDevices(text);
    EXPECT_EQ(walked, listed) << text;
    EXPECT_EQ(walked.size(), 5u);
}

} // namespace
