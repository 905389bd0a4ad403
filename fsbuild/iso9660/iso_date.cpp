#include "fsbuild/iso9660/iso_date.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace iso9660 {
namespace {

using namespace std::chrono;

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kTicksPerDay = kTicksPerSecond * 86'400;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDaysFrom1601To1970 = 134'774;

constexpr std::uint64_t TicksAtStartOf(int year)
{
    auto days = sys_days{std::chrono::year{year} / January / 1}.time_since_epoch().count();
    return static_cast<std::uint64_t>(days + kDaysFrom1601To1970) * kTicksPerDay;
}

constexpr std::uint64_t kEarliest = TicksAtStartOf(1900);
constexpr std::uint64_t kLatest = TicksAtStartOf(2156) - 1;

} // namespace

IsoDate IsoDateFromFileTime(std::uint64_t fileTime)
{
    std::uint64_t ticks = std::clamp(fileTime, kEarliest, kLatest);
    auto dayNumber = static_cast<std::int64_t>(ticks / kTicksPerDay) - kDaysFrom1601To1970;
    year_month_day calendar{sys_days{days{dayNumber}}};
    std::uint64_t inDay = ticks % kTicksPerDay;
    std::uint64_t seconds = inDay / kTicksPerSecond;
    return IsoDate{static_cast<int>(calendar.year()),
                   static_cast<int>(static_cast<unsigned>(calendar.month())),
                   static_cast<int>(static_cast<unsigned>(calendar.day())),
                   static_cast<int>(seconds / 3600),
                   static_cast<int>(seconds / 60 % 60),
                   static_cast<int>(seconds % 60),
                   static_cast<int>(inDay % kTicksPerSecond / 100'000)};
}

std::uint64_t FileTimeNow()
{
    auto since1970 = duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    return static_cast<std::uint64_t>(kDaysFrom1601To1970) * kTicksPerDay + static_cast<std::uint64_t>(since1970) * 10;
}

std::array<std::uint8_t, 7> EncodeRecordDate(const IsoDate& date)
{
    return {static_cast<std::uint8_t>(date.year - 1900), static_cast<std::uint8_t>(date.month),
            static_cast<std::uint8_t>(date.day),         static_cast<std::uint8_t>(date.hour),
            static_cast<std::uint8_t>(date.minute),      static_cast<std::uint8_t>(date.second),
            0};
}

std::array<std::uint8_t, 17> EncodeDescriptorDate(const IsoDate& date)
{
    char digits[17];
    std::snprintf(digits, sizeof digits, "%04d%02d%02d%02d%02d%02d%02d", date.year, date.month, date.day, date.hour,
                  date.minute, date.second, date.hundredths);
    std::array<std::uint8_t, 17> field{};
    std::copy(digits, digits + 16, field.begin());
    return field;
}

} // namespace iso9660
