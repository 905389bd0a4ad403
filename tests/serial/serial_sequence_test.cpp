// How each serial-number mode advances, and the generator of the random modes.
#include "engine/serial/serial_advance.h"
#include "engine/serial/serial_random.h"

#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <vector>

namespace {

struct AdvanceCase {
    INT mode;
    bool decimal;
    ULONGLONG number;
    INT step;
    std::optional<ULONGLONG> next;
};

TEST(SerialAdvance, EachModeAdvancesAsItsTableSays)
{
    const AdvanceCase cases[] = {
        {0, false, 7, 1, 7},                                     // reset: no advance
        {1, true, 7, 5, 7},                                      // fixed
        {7, false, 7, 5, 7},                                     // read from the drive
        {2, false, 5, 1, 6},
        {2, true, 9'999'999'999'999'998ULL, 1, 9'999'999'999'999'999ULL},
        {2, true, 9'999'999'999'999'999ULL, 1, 0},               // decimal limit
        {2, false, 9'999'999'999'999'999ULL, 1, 10'000'000'000'000'000ULL}, // hexadecimal counts on
        {6, true, 9'999'999'999'999'999ULL, 1, 0},
        {4, true, 9'999'999'999ULL, 1, 0},                       // with date: 10 digits
        {4, false, 9'999'999'999ULL, 1, 10'000'000'000ULL},
        {4, true, 9'999'999'998ULL, 1, 9'999'999'999ULL},
        {2, false, 100, -3, 97},                                 // a negative step counts down
        {6, true, 100, -3, 97},
        {4, true, 3, -3, 0},
        {2, true, 2, -3, std::nullopt},                          // decimal below 0: used up
        {4, true, 0, -1, std::nullopt},
        {2, false, 2, -3, 0xFFFF'FFFF'FFFF'FFFFULL},             // hexadecimal wraps as 64 bits
        {2, false, 0xFFFF'FFFF'FFFF'FFFFULL, 1, 0},
        {2, false, 0x1'0000'0000ULL, -1, 0xFFFF'FFFFULL},        // the step is sign-extended
        {3, false, 1, 0, 41},
        {3, true, 0x1'0000'0001ULL, 0, 41},                      // seeded with the low 32 bits
        {5, false, 0, 9, 38},
        {3, false, 41, 0, 172},
    };
    for (const AdvanceCase& c : cases)
        EXPECT_EQ(AdvanceSerialNumber(c.mode, c.decimal, c.number, c.step), c.next)
            << "mode " << c.mode << " decimal " << c.decimal << " number " << c.number << " step " << c.step;
}

TEST(SerialRandom, GivesTheSequenceTheStoredNumbersCameFrom)
{
    // The generator seeded with 1, and then with 0: its well-known first values.
    SerialRandom fromOne(1);
    for (std::uint32_t expected : {41u, 18467u, 6334u, 26500u, 19169u, 15724u, 11478u, 29358u})
        EXPECT_EQ(fromOne.Next(), expected);
    SerialRandom fromZero(0);
    for (std::uint32_t expected : {38u, 7719u, 21238u, 2437u, 8855u})
        EXPECT_EQ(fromZero.Next(), expected);
}

TEST(SerialRandom, TheRandomModesChainOfNumbersReseedsWithEachNumber)
{
    ULONGLONG number = 1;
    for (ULONGLONG expected : {41u, 172u, 600u, 1997u, 6559u}) {
        number = NextRandomSerialNumber(number);
        EXPECT_EQ(number, expected);
    }
}

TEST(SerialRandom, AChainEndsInOneOfFewShortCycles)
{
    std::set<std::size_t> cycleLengths;
    std::size_t longestRun = 0;
    for (ULONGLONG start = 0; start < 0x8000; ++start) {
        cycleLengths.insert(RandomSerialCycleThrough(start).size());
        std::vector<bool> seen(0x8000);
        std::size_t run = 0;
        for (ULONGLONG number = start; !seen[number]; number = NextRandomSerialNumber(number), ++run)
            seen[number] = true;
        longestRun = std::max(longestRun, run);
    }
    EXPECT_EQ(cycleLengths, (std::set<std::size_t>{0, 1, 2, 3, 6, 135})); // 0: not on a cycle
    EXPECT_EQ(longestRun, 955u) << "distinct numbers from the best start, the start included";
    EXPECT_TRUE(RandomSerialCycleThrough(0x8000).empty()) << "no random number is that large";
}

} // namespace
