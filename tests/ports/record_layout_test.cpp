// Both deliverables are built against these layouts: every field sits where the other side
// expects it.
#include "portwarden/records.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

struct Measure {
    const char* what;
    std::size_t measured;
    std::size_t expected;
};

#define PLACE(Record, field, expected) Measure{#Record "." #field, offsetof(Record, field), expected}
#define SIZE(Record, expected) Measure{#Record, sizeof(Record), expected}

constexpr std::size_t kEmbeddedInquiry = offsetof(PortRecord, disk) + offsetof(DiskEntry, inquiry);

const Measure kPlaces[] = {
    PLACE(DiskEntry, valid, 0),
    PLACE(DiskEntry, ready, 1),
    PLACE(DiskEntry, makerDevice, 2),
    PLACE(DiskEntry, inquiry, 3),
    PLACE(DiskEntry, capacity, 131),
    PLACE(DiskEntry, devicePath, 139),
    PLACE(DiskEntry, driveLetterCount, 394),
    PLACE(DiskEntry, driveLetters, 395),
    PLACE(DiskEntry, devInst, 420),
    PLACE(DiskEntry, hardwareId, 424),

    PLACE(PortRecord, diskIndex, 0),
    PLACE(PortRecord, idVendor, 2),
    PLACE(PortRecord, idProduct, 4),
    PLACE(PortRecord, speed, 6),
    PLACE(PortRecord, hubPath, 7),
    PLACE(PortRecord, hubPortCount, 264),
    PLACE(PortRecord, portNumber, 268),
    PLACE(PortRecord, hubTier, 272),
    PLACE(PortRecord, tierChain, 273),
    PLACE(PortRecord, present, 283),
    PLACE(PortRecord, changed, 284),
    PLACE(PortRecord, symbolicName, 285),
    PLACE(PortRecord, parentIdPrefix, 540),
    PLACE(PortRecord, serialNumber, 800),
    PLACE(PortRecord, devicePathOffset, 1060),
    PLACE(PortRecord, driverKeyName, 1064),
    PLACE(PortRecord, manufacturer, 1324),
    PLACE(PortRecord, product, 1584),
    PLACE(PortRecord, disk, 1844),
    Measure{"PortRecord INQUIRY byte 51", kEmbeddedInquiry + 51, 1898},
    Measure{"PortRecord INQUIRY byte 40", kEmbeddedInquiry + 40, 1887},

    PLACE(HubRecord, parentHubPath, 0),
    PLACE(HubRecord, parentPortCount, 255),
    PLACE(HubRecord, portNumber, 256),
    PLACE(HubRecord, connectionStatus, 257),
    PLACE(HubRecord, speed, 258),
    PLACE(HubRecord, changed, 259),
    PLACE(HubRecord, ownPath, 260),
    PLACE(HubRecord, downstream, 515),
    PLACE(HubRecord, idVendor, 536),
    PLACE(HubRecord, idProduct, 538),
};

const Measure kSizes[] = {
    SIZE(DiskEntry, 684),
    SIZE(PortRecord, 2528),
    SIZE(HubPortSlot, 5),
    SIZE(HubRecord, 540),
};

} // namespace

TEST(RecordLayout, EveryFieldSitsWhereBothSidesExpectIt)
{
    for (const Measure& place : kPlaces)
        EXPECT_EQ(place.measured, place.expected) << place.what;
}

TEST(RecordLayout, EveryRecordHasItsSize)
{
    for (const Measure& size : kSizes)
        EXPECT_EQ(size.measured, size.expected) << size.what;
}
