// The flash parameter block and the found-block list sit where the worker and the server
// both expect them.
#include "portwarden/flash_params.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

struct Place {
    const char* field;
    std::size_t measured, expected;
};

#define PLACE(Record, field, expected) Place{#field, offsetof(Record, field), expected}

TEST(FlashParamsLayout, EveryFieldSitsAtItsOffset)
{
    const Place places[] = {
        PLACE(UFDFlashParams, searchPaths, 0),     PLACE(UFDFlashParams, pageLimit, 1),
        PLACE(UFDFlashParams, pairsWanted, 5),     PLACE(UFDFlashParams, tablePaths, 6),
        PLACE(UFDFlashParams, logBlocks, 7),       PLACE(UFDFlashParams, freeBlocks, 8),
        PLACE(UFDFlashParams, planes, 9),          PLACE(UFDFlashParams, dies, 10),
        PLACE(UFDFlashParams, basicBlocks, 11),    PLACE(UFDFlashParams, extendedBlocks, 13),
        PLACE(UFDFlashParams, addressPages, 15),   PLACE(UFDFlashParams, actualPages, 17),
        PLACE(UFDFlashParams, sectorsPerPage, 19), PLACE(UFDFlashParams, eccLimit, 20),
        PLACE(UFDFlashParams, writeParameter, 21), PLACE(UFDFlashParams, flags, 22),
        PLACE(UFDFlashParams, flashType, 23),      PLACE(UFDFlashParams, buildMode, 27),
        PLACE(UFDFlashParams, mlcEccLimit, 31),    PLACE(UFDFlashParams, tlcEccLimit, 32),
        PLACE(UFDFlashParams, eraseCount2, 33),    PLACE(UFDFlashParams, eraseCount3, 34),
        PLACE(UFDFlashParams, status, 35),         PLACE(MapPtrEntry, channel, 0),
        PLACE(MapPtrEntry, ce, 1),                 PLACE(MapPtrEntry, byteIndex, 2),
        PLACE(MapPtrEntry, bit, 6),                PLACE(MapPtr, count, 0),
        PLACE(MapPtr, entries, 4),
    };
    for (const Place& p : places)
        EXPECT_EQ(p.measured, p.expected) << p.field;
}

TEST(FlashParamsLayout, EraseCountIsTheLittleEndianWordAt31)
{
    UFDFlashParams params{};
    auto* bytes = reinterpret_cast<BYTE*>(&params);
    bytes[31] = 0x78;
    bytes[32] = 0x56;
    bytes[33] = 0x34;
    bytes[34] = 0x12;
    EXPECT_EQ(EraseCountOf(params), 0x12345678u);
}

} // namespace
