// Workers of different ports scan at once; each port's NAND geometry and flash type must stay
// its own.
#include "server/scsi/port_flash_geometry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(PortFlashGeometry, PortsScanningTogetherKeepTheirOwnGeometry)
{
    PortFlashGeometry geometry;
    constexpr int kPorts = 4;
    const FlashGeometry flashes[kPorts] = {{64, 2048, 0x1024}, {128, 4096, 0x5032}, {256, 8192, 0x3232},
                                           {512, 16384, 0x1032}};
    std::atomic<int> foreign{0};
    std::vector<std::thread> workers;
    for (BYTE port = 0; port < kPorts; ++port)
        workers.emplace_back([&, port] {
            for (int round = 0; round < 20000; ++round) {
                geometry.Set(port, flashes[port]);
                FlashGeometry seen = geometry.Get(port);
                if (seen.pagesPerBlock != flashes[port].pagesPerBlock ||
                    seen.pageDataSize != flashes[port].pageDataSize || seen.flashType != flashes[port].flashType)
                    ++foreign;
            }
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(foreign.load(), 0);
}

TEST(PortFlashGeometry, PortsBeyondTheTableAreRefused)
{
    PortFlashGeometry geometry;
    EXPECT_TRUE(geometry.Set(31, {128, 4096}));
    EXPECT_FALSE(geometry.Set(32, {128, 4096}));
    EXPECT_EQ(geometry.Get(32).pagesPerBlock, 0);
    EXPECT_EQ(geometry.Get(31).pageDataSize, 4096);
    EXPECT_EQ(geometry.Get(0).pagesPerBlock, 0) << "a port never scanned has no geometry";
    EXPECT_EQ(geometry.Get(0).flashType, 0) << "nor a flash type";
}

} // namespace
