// Recording dates. Source times are Windows file times (100 ns units since 1601, UTC);
// both date forms of the volume are written in UTC with a time-zone byte of 0.
#pragma once

#include <array>
#include <cstdint>

namespace iso9660 {

struct IsoDate {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
    int hundredths;
};

// The 7-byte form holds the year as an offset from 1900 in one byte, so times outside
// 1900..2155 are clamped to the nearest representable moment instead of wrapping.
IsoDate IsoDateFromFileTime(std::uint64_t fileTime);

// The current time (UTC) as a file time.
std::uint64_t FileTimeNow();

// Directory-record date: year - 1900, month, day, hour, minute, second, time zone.
std::array<std::uint8_t, 7> EncodeRecordDate(const IsoDate& date);

// Volume-descriptor date: 16 ASCII digits (YYYYMMDDHHMMSScc) and the time zone.
std::array<std::uint8_t, 17> EncodeDescriptorDate(const IsoDate& date);

} // namespace iso9660
