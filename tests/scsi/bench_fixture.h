// A simulated flash drive with two logical units on the bench, and a handle opened on
// its first unit's disk node the way the server opens devices.
#pragma once

#include "platform/devio/devio.h"
#include "sim/core/testbed.h"
#include "sim/disk/bench_disk.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

namespace scsitest {

// Large and sparse: the table's addresses lie far out.
constexpr std::uint64_t kLun0Sectors = 0x20000000;
constexpr std::uint64_t kLun1Sectors = 0x01000000;

// Counting bytes from `seed`: data whose every sector differs from its neighbours'.
inline std::vector<BYTE> Pattern(std::size_t length, BYTE seed)
{
    std::vector<BYTE> bytes(length);
    std::iota(bytes.begin(), bytes.end(), seed);
    return bytes;
}

inline sim::DiskIdentity BenchIdentity()
{
    sim::DiskIdentity identity;
    identity.firmwareVersion = {0x11, 0x22, 0x33, 0x44};
    identity.portFlags = 0x5A;
    identity.chipType = 0x03;
    return identity;
}

class DiskBench : public ::testing::Test {
protected:
    void SetUp() override
    {
        disk.Publish(testbed);
        device = OpenUnit(0);
        ASSERT_NE(device, INVALID_HANDLE_VALUE);
    }
    void TearDown() override { CloseHandle(device); }

    HANDLE OpenUnit(unsigned lun)
    {
        return CreateFileA(disk.DevNode(lun).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    }
    sim::FlashDisk& model() { return disk.model(); }

    sim::BenchDisk disk{BenchIdentity(), {kLun0Sectors, kLun1Sectors}};
    sim::Testbed testbed; // after the disk: its nodes must outlive the testbed
    HANDLE device = INVALID_HANDLE_VALUE;
};

} // namespace scsitest
