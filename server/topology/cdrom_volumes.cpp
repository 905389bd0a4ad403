#include "server/topology/cdrom_volumes.h"

#include "platform/debug/debug.h"
#include "platform/registry/values.h"
#include "platform/text/text.h"

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
    }
}

bool SameDiskInstance(const std::string& diskPath, const std::string& cdromPath)
{
    const std::string instance = DeviceInstanceOf(diskPath);
    return !instance.empty() && instance == DeviceInstanceOf(cdromPath);
}
