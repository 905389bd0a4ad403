// The flash block map as the interface creates, sets, reads and frees it.
#include "server/nand/block_map.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct MapDeleter {
    void operator()(UFDBlockMap* map) const { nand::DeleteBlockMap(map); }
};
using MapHandle = std::unique_ptr<UFDBlockMap, MapDeleter>;

MapHandle Create(BYTE ports, BYTE ce, BYTE channels, INT bytes)
{
    return MapHandle(nand::CreateBlockMap(ports, ce, channels, bytes));
}

// Every shape from 1 to 4 CEs and channels; the sanitizer build checks that deleting frees
// exactly what creation allocated.
TEST(BlockMap, EveryShapeIsBuiltZeroedAndFreed)
{
    for (BYTE ce = 1; ce <= 4; ++ce)
        for (BYTE channels = 1; channels <= 4; ++channels) {
            SCOPED_TRACE(testing::Message() << "CE " << int{ce} << ", CH " << int{channels});
            MapHandle map = Create(3, ce, channels, 64);
            ASSERT_NE(map, nullptr);
            EXPECT_EQ(map->portCount, 3);
            EXPECT_EQ(map->ceCount, ce);
            EXPECT_EQ(map->channelCount, channels);
            EXPECT_EQ(static_cast<UFDPortBlockMap*>(map->ports[3]), nullptr) << "only as many records as ports";
            for (int port = 0; port < 3; ++port) {
                UFDPortBlockMap* record = map->ports[port];
                ASSERT_NE(record, nullptr);
                EXPECT_EQ(record->ceCount, ce);
                EXPECT_EQ(record->channelCount, channels);
                EXPECT_EQ(INT{record->bitmapBytes}, 64);
                for (int c = 0; c < 4; ++c) {
                    ASSERT_EQ(record->rows[c] != nullptr, c < ce);
                    if (c < ce) {
                        for (int ch = 0; ch < 4; ++ch)
                            ASSERT_EQ(record->rows[c][ch] != nullptr, ch < channels);
                    }
                }
                for (int path = 0; path < ce * channels; ++path)
                    EXPECT_EQ(INT{record->badBlockCount[path]}, 0);
                for (int c = 0; c < ce; ++c)
                    for (int ch = 0; ch < channels; ++ch)
                        for (int i = 0; i < 64; ++i)
                            ASSERT_EQ(nand::GetBlockBit(record, c, ch, i, 7), 0);
            }
        }
}

TEST(BlockMap, SetAndGetTouchOnlyTheirBit)
{
    MapHandle map = Create(16, 2, 1, 32);
    ASSERT_NE(map, nullptr);
    UFDPortBlockMap* record = map->ports[5];
    struct Step {
        BYTE bit;
        INT value;
        BYTE byteAfter;
    };
    const Step steps[] = {
        {3, 1, 0x08},  {0, 1, 0x09},  {3, 2, 0x01}, // only bit 0 of the value counts
        {7, 3, 0x81},  {8, 1, 0x81},                // a bit above 7 changes nothing
        {0, 0, 0x80},
    };
    for (const Step& step : steps) {
        nand::SetBlockBit(record, 1, 0, 9, step.bit, step.value);
        BYTE byte = 0;
        for (BYTE bit = 0; bit < 8; ++bit)
            byte = static_cast<BYTE>(byte | nand::GetBlockBit(record, 1, 0, 9, bit) << bit);
        EXPECT_EQ(byte, step.byteAfter) << "after bit " << int{step.bit} << " = " << step.value;
    }
    EXPECT_EQ(nand::GetBlockBit(record, 1, 0, 9, 8), 255);
    EXPECT_EQ(nand::GetBlockBit(record, 0, 0, 9, 7), 0) << "CE 0 keeps its own bitmap";
    EXPECT_EQ(nand::GetBlockBit(map->ports[4], 1, 0, 9, 7), 0) << "another port keeps its own";
}

TEST(BlockMap, AddressesOutsideTheRecordAreNeitherReadNorWritten)
{
    MapHandle map = Create(1, 2, 2, 16);
    ASSERT_NE(map, nullptr);
    UFDPortBlockMap* record = map->ports[0];
    struct Address {
        const char* what;
        BYTE ce, channel;
        INT byteIndex;
    };
    const Address outside[] = {
        {"CE beyond the count", 2, 0, 0},
        {"CE beyond the rows", 4, 0, 0},
        {"channel beyond the count", 0, 2, 0},
        {"byte beyond the bitmap", 1, 1, 16},
        {"negative byte", 0, 0, -1},
    };
    for (const Address& a : outside) {
        SCOPED_TRACE(a.what);
        nand::SetBlockBit(record, a.ce, a.channel, a.byteIndex, 0, 1);
        EXPECT_EQ(nand::GetBlockBit(record, a.ce, a.channel, a.byteIndex, 0), 255);
    }
    nand::SetBlockBit(nullptr, 0, 0, 0, 0, 1);
    EXPECT_EQ(nand::GetBlockBit(nullptr, 0, 0, 0, 0), 255);
    nand::DeleteBlockMap(nullptr);
}

TEST(BlockMap, ShapesThatWouldOverrunTheRecordAreRefused)
{
    struct Shape {
        BYTE ports, ce, channels;
        INT bytes;
    };
    const Shape refused[] = {{0, 1, 1, 8}, {33, 1, 1, 8}, {1, 0, 1, 8}, {1, 5, 1, 8},
                             {1, 1, 0, 8}, {1, 1, 5, 8}, {1, 1, 1, 0}, {1, 1, 1, -8}, {1, 1, 1, 0x10000}};
    for (const Shape& s : refused)
        EXPECT_EQ(Create(s.ports, s.ce, s.channels, s.bytes), nullptr)
            << int{s.ports} << " ports, CE " << int{s.ce} << ", CH " << int{s.channels} << ", " << s.bytes;
    EXPECT_NE(Create(32, 4, 4, 8), nullptr);
}

// The high half of the size may carry the extended block count for the scan: only the low
// half is bitmap.
TEST(BlockMap, ExtendedCountInTheSizeIsNoBitmap)
{
    MapHandle map = Create(1, 1, 1, 0x00400200);
    ASSERT_NE(map, nullptr);
    UFDPortBlockMap* record = map->ports[0];
    EXPECT_EQ(INT{record->bitmapBytes}, 0x00400200);
    nand::SetBlockBit(record, 0, 0, 0x1FF, 7, 1);
    EXPECT_EQ(nand::GetBlockBit(record, 0, 0, 0x1FF, 7), 1);
    EXPECT_EQ(nand::GetBlockBit(record, 0, 0, 0x200, 0), 255);
}

TEST(PortMapView, PathsCountersAndBlocks)
{
    MapHandle map = Create(1, 2, 3, 4);
    ASSERT_NE(map, nullptr);
    auto view = nand::PortMap::Of(map->ports[0]);
    ASSERT_TRUE(view);
    EXPECT_EQ(view->paths(), 6);
    EXPECT_EQ(view->blocks(), 32);
    EXPECT_EQ(view->ChipAddressOf(5), 0x12);
    view->Set(5, 17, true);
    EXPECT_EQ(nand::GetBlockBit(map->ports[0], 1, 2, 2, 1), 1) << "path 5 is CE 1, channel 2";
    EXPECT_EQ(view->ByteAt(5, 2), 0x02);
    EXPECT_TRUE(view->Taken(5, 32)) << "blocks past the bitmap are never free";
    EXPECT_EQ(view->ByteAt(5, 4), 0xFF);
    view->SetCounter(5, 3);
    EXPECT_EQ(INT{map->ports[0]->badBlockCount[5]}, 3);

    UFDPortBlockMap broken = *map->ports[0];
    broken.rows[1] = nullptr;
    EXPECT_FALSE(nand::PortMap::Of(&broken)) << "a CE without its row";
    broken = *map->ports[0];
    broken.ceCount = 5;
    EXPECT_FALSE(nand::PortMap::Of(&broken));
    EXPECT_FALSE(nand::PortMap::Of(nullptr));
}

} // namespace
