// Both deliverables are built against these layouts: every field sits where the other side
// expects it.
#include "engine/ports/port_messages.h"
#include "engine/ports/port_thread_param.h"
#include "portwarden/block_map.h"
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

// Packed records first; then the worker's records, laid out with natural alignment as the
// compiler does on this platform (pointers 8 bytes), except the packed PortResult.
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

    PLACE(UFDBlockMap, portCount, 0),
    PLACE(UFDBlockMap, channelCount, 1),
    PLACE(UFDBlockMap, ceCount, 2),
    PLACE(UFDBlockMap, ports, 3),
    PLACE(UFDPortBlockMap, channelCount, 0),
    PLACE(UFDPortBlockMap, ceCount, 1),
    PLACE(UFDPortBlockMap, bitmapBytes, 2),
    PLACE(UFDPortBlockMap, badBlockCount, 6),
    PLACE(UFDPortBlockMap, rows, 70),

    PLACE(PortThreadParam, hwndView, 0),
    PLACE(PortThreadParam, mainFrame, 8),
    PLACE(PortThreadParam, port, 16),
    PLACE(PortThreadParam, stopRequest, 20),
    PLACE(PortThreadParam, serialNumber, 24),
    PLACE(PortThreadParam, blockMapEntry, 32),
    PLACE(PortThreadParam, portFlags, 40),
    PLACE(PortThreadParam, firmwareVersion, 41),
    PLACE(PortThreadParam, chipType, 45),
    PLACE(PortThreadParam, hdSerial, 46),
    PLACE(PortThreadParam, portRecord, 64),

    PLACE(PortProgress, port, 0),
    PLACE(PortProgress, progress, 4),
    PLACE(PortProgress, liveProgress, 8),
    PLACE(PortProgress, timerOn, 16),

    PLACE(PortResult, port, 0),
    PLACE(PortResult, result, 4),
    PLACE(PortResult, writeRate, 8),
    PLACE(PortResult, readRate, 16),
};

const Measure kSizes[] = {
    SIZE(DiskEntry, 684),
    SIZE(PortRecord, 2528),
    SIZE(HubPortSlot, 5),
    SIZE(HubRecord, 540),
    SIZE(UFDBlockMap, 259),
    SIZE(UFDPortBlockMap, 102),
    SIZE(PortThreadParam, 72),
    SIZE(PortProgress, 24),
    SIZE(PortResult, 24),
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
