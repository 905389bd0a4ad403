#include "platform/com/com.h"
#include "platform/com/guid.h"
#include "platform/text/text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

std::string GuidText(REFGUID guid)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                  guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

} // namespace platform

LPVOID CoTaskMemAlloc(SIZE_T size)
{
    return std::malloc(size);
}

void CoTaskMemFree(LPVOID memory)
{
    std::free(memory);
}

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text)
{
    if (text == nullptr)
        return E_INVALIDARG;
    std::u16string wide = platform::AnsiToWide(platform::GuidText(clsid));
    *text = static_cast<LPOLESTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(char16_t)));
    if (*text == nullptr)
        return E_OUTOFMEMORY;
    std::memcpy(*text, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
    return S_OK;
}
