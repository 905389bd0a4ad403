#include "fsbuild/fat/dir_entries.h"

#include "fsbuild/core/le_fields.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

namespace {

constexpr std::uint64_t kUnitsPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600LL;
constexpr std::uint8_t kAttributeLongName = 0x0F;
constexpr std::size_t kUnitsPerLongEntry = 13;
constexpr std::size_t kLongNameOffsets[kUnitsPerLongEntry] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};

FatTimestamp FromCalendar(const std::tm& t, unsigned milliseconds)
{
    if (t.tm_year + 1900 < 1980)
        return {static_cast<std::uint16_t>((0 << 9) | (1 << 5) | 1), 0, 0};
    if (t.tm_year + 1900 > 2107)
        return {static_cast<std::uint16_t>((127 << 9) | (12 << 5) | 31),
                static_cast<std::uint16_t>((23 << 11) | (59 << 5) | 29), 0};
    FatTimestamp stamp;
    stamp.date = static_cast<std::uint16_t>(((t.tm_year + 1900 - 1980) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
    int second = std::min(t.tm_sec, 59); // a leap second is kept in the last two-second step
    stamp.time = static_cast<std::uint16_t>((t.tm_hour << 11) | (t.tm_min << 5) | (second / 2));
    stamp.tenths = static_cast<std::uint8_t>((second % 2) * 100 + milliseconds / 10);
    return stamp;
}

FatTimestamp FromUnixTime(std::int64_t seconds, unsigned milliseconds)
{
    std::time_t time = static_cast<std::time_t>(seconds);
    std::tm calendar{};
    if (gmtime_r(&time, &calendar) == nullptr)
        calendar.tm_year = seconds < 0 ? 0 : 300; // beyond the calendar: clamped below or above
    return FromCalendar(calendar, milliseconds);
}

void PutShortEntry(std::uint8_t* slot, const ShortName& name, std::uint8_t attributes, std::uint32_t cluster,
                   std::uint32_t size, const FatTimestamp& created, const FatTimestamp& accessed,
                   const FatTimestamp& written)
{
    std::memset(slot, 0, kDirEntryBytes);
    std::memcpy(slot, name.data(), name.size());
    slot[11] = attributes;
    slot[13] = created.tenths;
    PutLe16(slot + 14, created.time);
    PutLe16(slot + 16, created.date);
    PutLe16(slot + 18, accessed.date);
    PutLe16(slot + 20, static_cast<std::uint16_t>(cluster >> 16));
    PutLe16(slot + 22, written.time);
    PutLe16(slot + 24, written.date);
    PutLe16(slot + 26, static_cast<std::uint16_t>(cluster));
    PutLe32(slot + 28, size);
}

} // namespace

FatTimestamp FatTimeOf(std::uint64_t fileTime)
{
    std::int64_t seconds = static_cast<std::int64_t>(fileTime / kUnitsPerSecond) - kSecondsFrom1601To1970;
    auto milliseconds = static_cast<unsigned>(fileTime % kUnitsPerSecond / 10'000);
    return FromUnixTime(seconds, milliseconds);
}

FatTimestamp FatTimeNow()
{
    auto now = std::chrono::system_clock::now().time_since_epoch();
    auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return FromUnixTime(milliseconds / 1000, static_cast<unsigned>(milliseconds % 1000));
}

std::size_t LongNameSlots(const std::u16string& name)
{
    return (name.size() + kUnitsPerLongEntry - 1) / kUnitsPerLongEntry;
}

std::uint8_t ShortNameChecksum(const ShortName& name)
{
    std::uint8_t sum = 0;
    for (char c : name)
        sum = static_cast<std::uint8_t>(((sum & 1) << 7) + (sum >> 1) + static_cast<std::uint8_t>(c));
    return sum;
}

void BuildDirEntry(std::uint8_t* slots, const SourceEntry& entry, const ShortName& shortName)
{
    std::size_t longSlots = LongNameSlots(entry.wideName);
    std::uint8_t checksum = ShortNameChecksum(shortName);
    for (std::size_t ordinal = 1; ordinal <= longSlots; ++ordinal) {
        std::uint8_t* slot = slots + (longSlots - ordinal) * kDirEntryBytes;
        std::memset(slot, 0, kDirEntryBytes);
        slot[0] = static_cast<std::uint8_t>(ordinal | (ordinal == longSlots ? 0x40 : 0));
        slot[11] = kAttributeLongName;
        slot[13] = checksum;
        std::size_t first = (ordinal - 1) * kUnitsPerLongEntry;
        for (std::size_t k = 0; k < kUnitsPerLongEntry; ++k) {
            std::size_t index = first + k;
            std::uint16_t unit = index < entry.wideName.size() ? entry.wideName[index]
                                 : index == entry.wideName.size() ? 0x0000
                                                                  : 0xFFFF;
            PutLe16(slot + kLongNameOffsets[k], unit);
        }
    }
    auto attributes = static_cast<std::uint8_t>(entry.attributes & 0x3F);
    auto size = entry.isDirectory ? 0u : static_cast<std::uint32_t>(entry.size);
    PutShortEntry(slots + longSlots * kDirEntryBytes, shortName, attributes, entry.firstCluster, size,
                  FatTimeOf(entry.creationTime), FatTimeOf(entry.lastAccessTime), FatTimeOf(entry.lastWriteTime));
}

void BuildDotEntries(std::uint8_t* slots, std::uint32_t ownCluster, std::uint32_t parentCluster)
{
    FatTimestamp now = FatTimeNow();
    ShortName dot, dotDot;
    dot.fill(' ');
    dotDot.fill(' ');
    dot[0] = dotDot[0] = dotDot[1] = '.';
    PutShortEntry(slots, dot, kAttributeDirectory, ownCluster, 0, now, now, now);
    PutShortEntry(slots + kDirEntryBytes, dotDot, kAttributeDirectory, parentCluster, 0, now, now, now);
}

void BuildLabelEntry(std::uint8_t* slot, const ShortName& label)
{
    FatTimestamp now = FatTimeNow();
    PutShortEntry(slot, label, kAttributeVolumeLabel, 0, 0, now, now, now);
}
