// The flash-part database file as it lies beside the program: any bytes, or any text stored
// the way the station stores it. Whatever the file holds, the parse keeps to the table:
// a refused file leaves it empty; a read one has at most 200 parts, each name ends in the
// name field, and nothing is left beyond the parts counted.
//
// Input: one byte choosing the form (even: the stored bytes as they are; odd: text, stored
// by the target with the station's scrambling and a tail), then the rest.
#include "engine/flashdb/flash_part_database.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

std::string Stored(std::string_view text)
{
    std::string stored(text);
    for (std::size_t i = 0; i < stored.size(); ++i)
        stored[i] = static_cast<char>(static_cast<unsigned char>(stored[i]) + static_cast<unsigned char>(i));
    return stored + std::string(kFlashDatabaseTail, '\x5A');
}

bool AllZero(const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    return std::all_of(bytes, bytes + size, [](unsigned char b) { return b == 0; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    const bool asText = (input.Byte() & 1) != 0;
    const std::string_view rest = input.Rest();
    const std::string file = asText ? Stored(rest) : std::string(rest);

    auto table = std::make_unique<FlashPartTable>();
    std::memset(table.get(), 0xA5, sizeof *table); // the parse starts from nothing
    FlashDatabaseParse parse = ParseFlashDatabase(file, *table);
    if (!parse.Read()) {
        FUZZ_CHECK(AllZero(table.get(), sizeof *table));
        return 0;
    }
    const INT parts = table->ItemNum;
    FUZZ_CHECK(parts >= 0 && parts <= static_cast<INT>(kFlashPartCapacity));
    for (INT i = 0; i < parts; ++i) {
        const FlashPartRecord& record = table->records[i];
        FUZZ_CHECK(std::memchr(record.name, '\0', sizeof record.name) != nullptr);
        FUZZ_CHECK(FindFlashPart(*table, record.parameters) <= &record);
    }
    FUZZ_CHECK(AllZero(table->records + parts, (kFlashPartCapacity - static_cast<std::size_t>(parts)) * sizeof(FlashPartRecord)));
    return 0;
}
