#include "server/topology/cdrom_volumes.h"

#include "platform/debug/debug.h"
#include "platform/registry/values.h"
#include "platform/text/text.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

std::string Lower(std::string text)
{
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// A record's data is the volume's name in UTF-16.
std::string RecordText(const std::vector<BYTE>& data)
{
    std::u16string wide(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return Lower(platform::WideToAnsi(wide));
}

// "\\?\usbstor#disk&ven_x&prod_y&rev_z#<instance>&<unit>#{class}" -> "<instance>".
std::string DeviceInstanceOf(const std::string& path)
{
    const std::size_t first = path.find('#');
    const std::size_t second = first == std::string::npos ? std::string::npos : path.find('#', first + 1);
    const std::size_t third = second == std::string::npos ? std::string::npos : path.find('#', second + 1);
    if (third == std::string::npos)
        return {};
    const std::string unit = path.substr(second + 1, third - second - 1);
    const std::size_t lastAmpersand = unit.rfind('&');
    return lastAmpersand == std::string::npos ? std::string() : Lower(unit.substr(0, lastAmpersand));
}

std::vector<std::string> Tokens(const std::string& text)
{
    std::vector<std::string> tokens(1);
    for (char c : text) {
        if (c == '#' || c == '&')
            tokens.emplace_back();
        else
            tokens.back() += c;
    }
    return tokens;
}

// Token pairs that differ, a token without a partner counting as one.
std::size_t DifferingTokens(const std::string& a, const std::string& b)
{
    const auto left = Tokens(Lower(a));
    const auto right = Tokens(Lower(b));
    const std::size_t common = std::min(left.size(), right.size());
    std::size_t differing = std::max(left.size(), right.size()) - common;
    for (std::size_t i = 0; i < common; ++i)
        if (left[i] != right[i])
            ++differing;
    return differing;
}

constexpr std::size_t kDiskPathHead = 17;  // "\\?\usbstor#disk&"
constexpr std::size_t kCdromPathHead = 18; // "\\?\usbstor#cdrom&"
constexpr std::size_t kMaxDifferingTokens = 2;

} // namespace

void GetVolumLetterEx(const std::string& volumePath, DiskEntry& entry)
{
    OutputDebugStringA(" @@ GetVolumLetterEx");
    platform::registry::ScopedKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\MountedDevices", 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
        OutputDebugStringA("no mounted-device records");
        return;
    }
    const std::string wanted = Lower(volumePath.substr(volumePath.size() < 4 ? volumePath.size() : 4));
    for (char letter = 'C'; letter <= 'Z' && entry.driveLetterCount < sizeof entry.driveLetters; ++letter) {
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        const std::string name = std::string("\\DosDevices\\") + letter + ":";
        if (platform::registry::QueryValue(key.get(), name.c_str(), type, data) != ERROR_SUCCESS ||
            RecordText(data).find(wanted) == std::string::npos)
            continue;
        entry.driveLetters[entry.driveLetterCount++] = letter;
        if (entry.driveLetterCount > 1)
            OutputDebugStringA("  5.VolumCount > 1");
        return;
    }
}

bool SameDiskInstance(const std::string& diskPath, const std::string& cdromPath)
{
    if (diskPath.size() < kDiskPathHead || cdromPath.size() < kCdromPathHead ||
        DifferingTokens(diskPath.substr(kDiskPathHead), cdromPath.substr(kCdromPathHead)) > kMaxDifferingTokens)
        return false;
    const std::string instance = DeviceInstanceOf(diskPath);
    return !instance.empty() && instance == DeviceInstanceOf(cdromPath);
}
