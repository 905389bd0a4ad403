// On this machine's own sysfs (no USB at all) the walk finds nothing and fails nothing.
#include "server/topology/usb_topology.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

TEST(MachineSysfs, WalkFindsNothingAndLeavesRecordsZero)
{
    CSTDCMDControl standard;
    CVCommCMDControl vendor;
    TopologySwitches switches;
    UsbTopology topology(standard, vendor, switches);
    auto records = std::make_unique<PortRecord[]>(kPortCount);
    std::memset(records.get(), 0xEE, sizeof(PortRecord) * kPortCount);
    EXPECT_EQ(topology.EnumerateScanUSBPort(records.get()), 0) << "no disk answered";
    const auto* bytes = reinterpret_cast<const BYTE*>(records.get());
    for (std::size_t i = 0; i < sizeof(PortRecord) * kPortCount; ++i)
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
}
