#include "engine/flashdb/flash_part_database.h"

#include "engine/ports/port_sync.h"
#include "engine/settings/main_frame_settings.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "platform/text/text.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

// Far beyond 200 parts of 260 characters: a larger file is not a flash-part database.
constexpr std::uintmax_t kLargestFile = 16u << 20;

void TellOperator()
{
    MessageBoxW(nullptr, u"Can't open fdb file", u"Fabrun", MB_OK);
}

std::optional<std::string> ReadWholeFile(const std::string& name)
{
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(name, error);
    if (error || size > kLargestFile)
        return std::nullopt;
    std::ifstream file(name, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!file || !file.read(bytes.data(), static_cast<std::streamsize>(size)))
        return std::nullopt;
    return bytes;
}

} // namespace

std::u16string FlashDatabasePath(const MainFrameSettings& frame)
{
    return frame.ProgramDrive + frame.ProgramFolder + u"Kelvra.dll";
}

std::unique_ptr<FlashPartTable> LoadFlashDatabase(const std::u16string& path)
{
    auto table = std::make_unique<FlashPartTable>();
    std::memset(table.get(), 0, sizeof *table);
    const std::string name = platform::WideToAnsi(path);
    std::optional<std::string> bytes = ReadWholeFile(name);
    if (!bytes) {
        platform::DebugPrintf("LoadFlashDatabase: %s cannot be read", name.c_str());
        TellOperator();
        return table;
    }
    FlashDatabaseParse parse = ParseFlashDatabase(*bytes, *table);
    if (!parse.Read()) {
        platform::DebugPrintf("LoadFlashDatabase: %s refused: %s", name.c_str(), parse.problem.c_str());
        TellOperator();
        return table;
    }
    platform::DebugPrintf("LoadFlashDatabase: %d flash parts, version %d", table->ItemNum, table->Version);
    return table;
}

const FlashPartRecord* FindFlashPart(const FlashPartTable& table, const BYTE* flashId)
{
    const INT itemNum = table.ItemNum;
    const std::size_t filled = itemNum < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(itemNum), kFlashPartCapacity);
    for (std::size_t i = 0; i < filled; ++i)
        if (std::memcmp(table.records[i].parameters, flashId, kFlashPartIdMatched) == 0)
            return &table.records[i];
    return nullptr;
}

bool SelectFlashPart(CISSetting& settings, const FlashPartTable& table, const BYTE* flashId)
{
    const FlashPartRecord* part = FindFlashPart(table, flashId);
    CisImageLock lock;
    BYTE* parameters = settings.CISImage.bytes + cis::kFlashId;
    if (part == nullptr) {
        platform::DebugPrintf("No flash part for id %02X %02X %02X %02X %02X", flashId[0], flashId[1], flashId[2],
                              flashId[3], flashId[4]);
        settings.FlashPartName.Set(u"");
        std::memset(parameters, 0, kFlashPartParameterSize);
        return false;
    }
    settings.FlashPartName.Set(platform::AnsiToWide(std::string_view(part->name, platform::FieldLength(part->name, sizeof part->name))));
    std::memcpy(parameters, part->parameters, kFlashPartParameterSize);
    return true;
}
