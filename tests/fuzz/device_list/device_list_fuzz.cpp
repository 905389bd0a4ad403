// The device list's cells of a port under any record the server may hand over: any INQUIRY
// data and READ CAPACITY reply, any USB strings and serial, any drive-letter count. Every
// cell is text of at most its column's characters, never half a character; the INQUIRY
// cell is "N/A" for data without text (the record then says so itself, and nothing else in
// it changes); letters never come from past their field; the capacity is the last LBA in
// megabytes.
//
// Input: the port record's bytes as the server lays it out (zeros past the input's end).
#include "console/dev_list_cells.h"
#include "platform/text/text.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

bool EndsInHalfCharacter(const std::u16string& text)
{
    return !text.empty() && text.back() >= 0xD800 && text.back() < 0xDC00;
}

// The field's text as the column shows it: up to its NUL, at most `chars` units.
void CheckFieldText(const std::u16string& cell, const char* field, std::size_t size, std::size_t chars)
{
    FUZZ_CHECK(cell.size() <= chars && !EndsInHalfCharacter(cell));
    const std::u16string whole = platform::AnsiToWide(std::string_view(field, strnlen(field, size)));
    FUZZ_CHECK(whole.compare(0, cell.size(), cell) == 0);
    FUZZ_CHECK(cell.size() == whole.size() || cell.size() + 1 >= chars);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto record = std::make_unique<PortRecord>();
    std::memset(record.get(), 0, sizeof(PortRecord));
    std::memcpy(record.get(), data, std::min(size, sizeof(PortRecord)));
    const auto before = std::make_unique<PortRecord>(*record);
    const auto cells = DeviceCellTexts(*record);

    const DiskEntry& disk = record->disk;
    const std::size_t letters = std::min<std::size_t>(disk.driveLetterCount, sizeof disk.driveLetters);
    if (letters == 0) {
        FUZZ_CHECK(cells[0] == u"N/A");
    } else {
        FUZZ_CHECK(cells[0].size() >= letters * 4);
        for (std::size_t n = 0; n < letters && disk.driveLetters[n] > 0; ++n)
            FUZZ_CHECK(cells[0].find(platform::AnsiToWide(std::string(1, disk.driveLetters[n]) + ":\\ ")) != std::u16string::npos);
    }
    FUZZ_CHECK(cells[1] == platform::FormatWide("%04X / %04X", record->idVendor, record->idProduct));
    CheckFieldText(cells[2], record->manufacturer, sizeof record->manufacturer, 32);
    CheckFieldText(cells[3], record->product, sizeof record->product, 32);
    const BYTE* c = disk.capacity;
    FUZZ_CHECK(cells[4] == platform::FormatWide("%d MB", (c[0] << 13) | (c[1] << 5) | (c[2] >> 3)));

    const BYTE additional = before->disk.inquiry[4];
    if (additional > 84 || additional == 4) {
        FUZZ_CHECK(cells[5] == u"N/A" && disk.inquiry[4] == 4);
    } else {
        FUZZ_CHECK(disk.inquiry[4] == additional);
        FUZZ_CHECK(cells[5].size() <= 24 && !EndsInHalfCharacter(cells[5]));
    }
    // Only the additional length may change.
    PortRecord expected = *before;
    expected.disk.inquiry[4] = disk.inquiry[4];
    FUZZ_CHECK(std::memcmp(&expected, record.get(), sizeof expected) == 0);

    if (record->serialNumber[0] == 0 && record->serialNumber[1] == 0)
        FUZZ_CHECK(cells[6] == u"N/A");
    else
        CheckFieldText(cells[6], record->serialNumber, sizeof record->serialNumber, 16);
    const BYTE* firmware = disk.inquiry + 40;
    FUZZ_CHECK(cells[7] == platform::FormatWide("%x.%x.%x.%x", firmware[0], firmware[1], firmware[2], firmware[3]));
    return 0;
}
