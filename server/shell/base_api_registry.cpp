// Registry clean-up and device removal.
#include "server/registry/device_records.h"
#include "server/registry/key_tree.h"
#include "server/registry/safe_removal.h"
#include "server/shell/base_api.h"

#include "platform/debug/debug.h"
#include "platform/text/text.h"

namespace {

// An ANSI copy of a text the caller passed; nothing for a null pointer.
std::optional<std::string> AnsiCopy(LPCWSTR text)
{
    if (text == nullptr)
        return std::nullopt;
    return platform::WideToAnsi(std::u16string_view(text));
}

} // namespace

INT CBaseAPI::DeviceSafeRemoval(DEVINST disk)
{
    OutputDebugStringA("DeviceSafeRemoval()");
    return portwarden::SafeRemoval(disk);
}

INT CBaseAPI::DeleteDevRegistryRecord(WORD vendorId, WORD productId)
{
    OutputDebugStringA("DeleteDevRegistryRecord()");
    return portwarden::DeleteKeyTree(portwarden::UsbRecordsKey(vendorId, productId));
}

INT CBaseAPI::DeleteDevRegistryRecordEx(WORD vendorId, WORD productId, LPCWSTR vendor, LPCWSTR product,
                                        LPCWSTR revision)
{
    OutputDebugStringA("DeleteDevRegistryRecordEx()");
    const auto vendorText = AnsiCopy(vendor), productText = AnsiCopy(product), revisionText = AnsiCopy(revision);
    if (!vendorText || !productText || !revisionText) {
        OutputDebugStringA("DeleteDevRegistryRecordEx: a text of the unit is missing");
        return 0;
    }
    // Checked before anything is deleted, so that a refused call changes nothing.
    const auto storageKey = portwarden::StorageRecordsKey(*vendorText, *productText, *revisionText);
    if (!storageKey)
        return 0;
    portwarden::DeleteKeyTree(portwarden::UsbRecordsKey(vendorId, productId));
    return portwarden::DeleteKeyTree(*storageKey);
}

INT CBaseAPI::SetIgnoredRegistry(WORD vendorId, WORD productId)
{
    OutputDebugStringA("SetIgnoredRegistry()");
    return portwarden::SetIgnoreSerialFlag(vendorId, productId);
}
