// The flash-part database file "Kelvra.dll" beside the program: a text file stored
// scrambled by the station's own byte substitution (each byte of the text raised by its
// index modulo 256, then 16384 bytes of noise appended). It is decoded in memory and never
// written, so no stop of the station can leave it half decoded.
#pragma once

#include "engine/flashdb/flash_part_table.h"
#include "engine/settings/cis_setting.h"

#include <memory>
#include <string>
#include <string_view>

constexpr std::size_t kFlashDatabaseTail = 16384;

class MainFrameSettings;

// "%s%sKelvra.dll" of the program's drive and folder.
std::u16string FlashDatabasePath(const MainFrameSettings& frame);

// The parts of a database file's bytes, as stored. Empty `problem` when the file was read;
// otherwise it says what is wrong (a file shorter than its tail, text that is not text, a
// line or part that breaks the format, a part section left open at the end) and the table
// is left empty.
struct FlashDatabaseParse {
    std::string problem;
    bool Read() const { return problem.empty(); }
};
FlashDatabaseParse ParseFlashDatabase(std::string_view fileBytes, FlashPartTable& table);

// Reads the file into a new, zeroed table. A file that cannot be read or is refused shows
// the operator "Can't open fdb file" and leaves the table empty.
std::unique_ptr<FlashPartTable> LoadFlashDatabase(const std::u16string& path);

// The first part among those filled whose id begins with the first 5 bytes of `flashId`.
const FlashPartRecord* FindFlashPart(const FlashPartTable& table, const BYTE* flashId);

// Takes the part found for a device's flash id into the settings: its name into
// FlashPartName, its parameters into CISImage bytes 256..287. With no part for the id both
// are cleared, so that the device is not built with the previous device's flash and the
// check for a supported flash fails. True when a part was found.
bool SelectFlashPart(CISSetting& settings, const FlashPartTable& table, const BYTE* flashId);
