#include "engine/ufdworker/result_log.h"

#include "engine/ini/decimal_text.h"
#include "engine/ini/ini_file.h"
#include "engine/ports/run_result.h"
#include "engine/serial/serial_field.h"
#include "engine/settings/main_frame_settings.h"
#include "engine/ufdworker/flash_drive_bits.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

constexpr char16_t kMaskDigit = u'#';
constexpr INT kGeneratorWithDate = 4;
constexpr INT kCustomDefine = 6;
constexpr INT kReadFromHd = 7;

std::u16string ResultText(int code)
{
    std::u16string text;
    GetResultMessage(code, text);
    return text;
}

// The drive's own serial text, up to its first NUL.
std::u16string DriveSerialText(const PortThreadParam& param)
{
    const std::size_t length = strnlen(param.hdSerial, sizeof param.hdSerial);
    return platform::AnsiToWide(std::string_view(param.hdSerial, length));
}

// True when the text starts (after blanks and a sign) with a digit.
bool HoldsNumber(std::u16string_view text)
{
    std::size_t at = text.find_first_not_of(u" \t");
    if (at != std::u16string_view::npos && (text[at] == u'+' || text[at] == u'-'))
        ++at;
    return at < text.size() && text[at] >= u'0' && text[at] <= u'9';
}

// A file name keeps none of the characters that would make it a path or an invalid name.
char16_t SafeNameCharacter(char16_t c)
{
    constexpr std::u16string_view kUnsafe = u"/\\:*?\"<>|";
    return c < 0x20 || kUnsafe.find(c) != std::u16string_view::npos ? u'_' : c;
}

bool Write(const std::u16string& path, const std::function<void(CIniFile&)>& write)
{
    try {
        CIniFile ini(path);
        write(ini);
        return true;
    } catch (const CIniFileException&) {
        platform::DebugPrintf("Result log: cannot write %s", platform::WideToUtf8(path).c_str());
        return false;
    }
}

std::u16string SectionNow(const PortThreadParam& param)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ResultSectionName(param.port, local);
}

} // namespace

std::u16string ResultSectionName(int port, const std::tm& local)
{
    return platform::FormatWide("Device%d  %u/%u/%u  %u:%u:%u", port + 1, static_cast<unsigned>(local.tm_year + 1900),
                                static_cast<unsigned>(local.tm_mon + 1), static_cast<unsigned>(local.tm_mday),
                                static_cast<unsigned>(local.tm_hour), static_cast<unsigned>(local.tm_min),
                                static_cast<unsigned>(local.tm_sec));
}

std::u16string ResultSerialText(const PortThreadParam& param)
{
    const MainFrameSettings& frame = *param.mainFrame;
    const CISSetting& settings = frame.CisSetting;
    std::u16string text = SerialNumberText(param.serialNumber, settings.DecCheck != 0);
    const bool typed = (frame.FabrunMode & kFabrunModeTypedSerial) != 0 ||
                       ((settings.TestProcedureMask & ufd::kSkipIspFirmware) != 0 && (frame.FabrunMode & kFabrunModeFlashDrive) == 0);
    if (typed)
        return text;
    const INT mode = settings.SNType;
    if (mode >= kGeneratorWithDate && mode <= kCustomDefine) {
        // The mask is padded for this text only; the settings keep it as the operator left it.
        std::u16string mask = settings.SNMask.str();
        if (mask.size() < text.size())
            mask.resize(text.size(), kMaskDigit);
        for (std::size_t j = 0; j < text.size(); ++j)
            if (mask[j] != kMaskDigit)
                text[j] = mask[j];
    } else if (mode == kReadFromHd) {
        text = DriveSerialText(param);
    }
    return text;
}

std::u16string SharedLogSerialText(const PortThreadParam& param)
{
    const MainFrameSettings& frame = *param.mainFrame;
    const std::u16string text = ResultSerialText(param);
    // Until the console has filled the length text it holds none: the settings' length is
    // what it will be filled with.
    const INT length = HoldsNumber(frame.SerialLengthText) ? DecimalTextToInt(frame.SerialLengthText)
                                                            : INT{frame.CisSetting.SerialNumberY};
    if (length <= 0)
        return {};
    if (static_cast<std::size_t>(length) >= text.size())
        return text;
    return text.substr(text.size() - static_cast<std::size_t>(length));
}

std::u16string SharedLogStatus(int rememberedCode, int result)
{
    const bool passed = result == RunResult::Success || result == RunResult::ScanBlockOnly;
    const bool warned = rememberedCode == RunResult::CapacityBelowSetting || rememberedCode == RunResult::FormatSizeAboveCapacity;
    return ResultText(passed && warned ? rememberedCode : result);
}

std::u16string ResultTextFilePath(std::u16string_view folder, std::u16string_view serialText)
{
    std::u16string name(serialText);
    std::transform(name.begin(), name.end(), name.begin(), SafeNameCharacter);
    std::u16string path(folder);
    if (!path.empty() && path.back() != u'/' && path.back() != u'\\')
        path += u'/';
    return path + name + u".txt";
}

int WriteDeviceResultLog(const PortThreadParam& param, int rememberedCode, int result)
{
    const MainFrameSettings& frame = *param.mainFrame;
    const CIniFile* log = frame.LogIni.get();
    if (log == nullptr || log->Path().empty()) {
        OutputDebugStringA("Result log: no log file");
        return 0;
    }
    const CISSetting& settings = frame.CisSetting;
    const std::u16string section = SectionNow(param);
    return Write(log->Path(), [&](CIniFile& ini) {
               ini.WriteString(section, u"Status", SharedLogStatus(rememberedCode, result));
               ini.WriteString(section, u"SerialNumber", SharedLogSerialText(param));
               ini.WriteString(section, u"VID", settings.USB_VID.str());
               ini.WriteString(section, u"PID", settings.USB_PID.str());
               ini.WriteString(section, u"====================", u"=========\n");
           })
               ? 1
               : 0;
}

int WriteDeviceResultTextFile(const PortThreadParam& param, int result)
{
    const MainFrameSettings& frame = *param.mainFrame;
    const CISSetting& settings = frame.CisSetting;
    const std::u16string& folder = settings.LogFilePath.str();
    if (folder.empty()) {
        // An empty folder would put the file at the root of the file system.
        OutputDebugStringA("Result log: no folder for the result files");
        return 0;
    }
    const std::u16string path = ResultTextFilePath(folder, ResultSerialText(param));
    const std::u16string section = SectionNow(param);
    return Write(path, [&](CIniFile& ini) {
               ini.WriteString(section, u"Status", ResultText(result));
               ini.WriteString(section, u"VID", settings.USB_VID.str());
               ini.WriteString(section, u"PID", settings.USB_PID.str());
           })
               ? 1
               : 0;
}
