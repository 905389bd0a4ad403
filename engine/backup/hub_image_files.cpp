#include "engine/backup/hub_image_files.h"

#include "engine/backup/hub_images.h"
#include "engine/backup/operator_message.h"
#include "engine/spi/firmware_file.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"
#include "platform/text/text.h"

#include <optional>

namespace {

// The file's first `limit` bytes; a larger file is cut after `sizeMessage`.
std::optional<std::vector<BYTE>> ReadCut(const std::u16string& path, DWORD limit, const std::u16string& sizeMessage,
                                         const char16_t* what)
{
    std::vector<BYTE> bytes(limit + 1);
    DWORD size = 0;
    if (!ReadFirmwareFile(path, bytes, size)) {
        ShowBackupMessage(platform::FormatWide("Can't read the %s file:\n%s", platform::WideToUtf8(what).c_str(),
                                               platform::WideToUtf8(path).c_str()),
                          MB_ICONERROR);
        return std::nullopt;
    }
    if (size > limit) {
        ShowBackupMessage(sizeMessage);
        size = limit;
    }
    bytes.resize(size);
    return bytes;
}

bool BuildImage(const MainFrameSettings& settings, const HubImageLayout& layout)
{
    const CISSetting& setting = settings.CisSetting;
    const std::string chip = layout.chip;
    if (setting.FilePathOfFW.empty()) {
        ShowBackupMessage(platform::AnsiToWide("No RZ" + chip + " FW To Create"));
        return false;
    }
    if (setting.FilePathOfFW2.empty()) {
        ShowBackupMessage(u"No Hub FW To Create");
        return false;
    }
    const auto hub = ReadCut(setting.FilePathOfFW2.str(), layout.hubLimit, u"Hub FW Size Error!!", u"hub firmware");
    if (!hub)
        return false;
    const auto device = ReadCut(setting.FilePathOfFW.str(), layout.deviceLimit,
                                platform::AnsiToWide(chip + " FW Size Error!!"), u"device firmware");
    if (!device)
        return false;
    const std::vector<BYTE> image = CombineHubImage(layout, *hub, *device);
    const std::u16string path = settings.ProgramDrive + settings.ProgramFolder + layout.fileName;
    const std::string shownName = platform::WideToUtf8(layout.fileName);
    platform::DebugPrintf("**HubAnd%s Path: %s", layout.chip, platform::WideToAnsi(path).c_str());
    if (!WriteFirmwareFile(path, image)) {
        platform::DebugPrintf("  %s could not be written", platform::WideToAnsi(path).c_str());
        ShowBackupMessage(platform::AnsiToWide("Create <" + shownName + "> Fail"), MB_ICONERROR);
        return false;
    }
    ShowBackupMessage(platform::AnsiToWide("Create <" + shownName + "> From FWFile OK"));
    return true;
}

} // namespace

bool BuildHubAnd521Image(const MainFrameSettings& settings)
{
    return BuildImage(settings, HubAnd521Layout);
}

bool BuildHubAnd522Image(const MainFrameSettings& settings)
{
    return BuildImage(settings, HubAnd522Layout);
}
