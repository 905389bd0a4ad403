#include "platform/storage/mounted_devices.h"

#include "platform/base/lasterror.h"
#include "platform/registry/values.h"
#include "platform/text/text.h"

namespace platform::storage {
namespace {

constexpr const char* kMountedDevices = "SYSTEM\\MountedDevices";

std::string ValueName(char letter)
{
    return std::string("\\DosDevices\\") + letter + ":";
}

} // namespace

VolumeRecordData RecordDataOfVolume(const std::string& interfacePath)
{
    const std::u16string text = AnsiToWide("\\??\\" + interfacePath.substr(interfacePath.rfind("\\\\?\\", 0) == 0 ? 4 : 0));
    VolumeRecordData data;
    for (char16_t unit : text) {
        data.push_back(static_cast<BYTE>(unit & 0xFF));
        data.push_back(static_cast<BYTE>(unit >> 8));
    }
    return data;
}

std::string InterfacePathOfRecord(const VolumeRecordData& data)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < data.size(); i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    std::string path = WideToAnsi(text);
    if (path.rfind("\\??\\", 0) == 0)
        path.replace(0, 4, "\\\\?\\");
    return path;
}

LONG ReadLetterRecords(std::map<char, VolumeRecordData>& records, char last)
{
    registry::ScopedKey key;
    LONG status = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kMountedDevices, 0, KEY_READ, key.out());
    if (status == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    for (char letter = 'C'; status == ERROR_SUCCESS && letter <= last; ++letter) {
        DWORD type = REG_NONE;
        VolumeRecordData data;
        status = registry::QueryValue(key.get(), ValueName(letter).c_str(), type, data);
        if (status == ERROR_SUCCESS)
            records[letter] = std::move(data);
        else if (status == ERROR_FILE_NOT_FOUND)
            status = ERROR_SUCCESS;
    }
    return status;
}

LONG KeepLetterRecord(char letter, const VolumeRecordData& data)
{
    registry::ScopedKey key;
    LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kMountedDevices, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_ALL_ACCESS, nullptr, key.out(), nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    return registry::KeepValue(key.get(), ValueName(letter).c_str(), REG_BINARY, data);
}

} // namespace platform::storage
