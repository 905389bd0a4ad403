// The manufacturer, product and serial strings of a port's device. Each string goes to the
// field of its own descriptor index, so a missing string or a failed read leaves only that
// field empty and never shifts the others.
#include "server/topology/usb_topology.h"

#include "platform/text/text.h"
#include "server/topology/hub_link.h"

#include <cstring>

namespace {

// The string in the first language that answers; nothing when none does.
bool ReadString(HANDLE hub, ULONG port, BYTE index, const std::vector<WORD>& languages, std::u16string& text)
{
    for (WORD language : languages) {
        std::vector<BYTE> descriptor;
        if (!GetStringDescriptor(hub, port, index, language, descriptor))
            continue;
        text.assign((descriptor[0] - 2) / 2, u'\0');
        std::memcpy(text.data(), descriptor.data() + 2, text.size() * 2);
        return true;
    }
    return false;
}

template <std::size_t Size>
void PutString(HANDLE hub, ULONG port, BYTE index, const std::vector<WORD>& languages, char (&field)[Size])
{
    std::memset(field, 0, Size);
    std::u16string text;
    if (index != 0 && ReadString(hub, port, index, languages, text))
        platform::CopyWideToField(field, Size, text);
}

} // namespace

bool UsbTopology::ReadPortStrings(HANDLE hub, ULONG port, const HubConnection& connection, PortRecord& record)
{
    std::vector<BYTE> list;
    if (!GetStringDescriptor(hub, port, 0, 0, list) || list.size() < 4)
        return false;
    std::vector<WORD> languages;
    for (std::size_t at = 2; at + 1 < list.size(); at += 2)
        languages.push_back(static_cast<WORD>(list[at] | (list[at + 1] << 8)));
    if (connection.manufacturerIndex != 0)
        PutString(hub, port, connection.manufacturerIndex, languages, record.manufacturer);
    if (connection.productIndex != 0)
        PutString(hub, port, connection.productIndex, languages, record.product);
    // With the filter driver the serial field is always the string's (empty without one).
    if (connection.serialIndex != 0 || switches_.filterDriverMode == 1)
        PutString(hub, port, connection.serialIndex, languages, record.serialNumber);
    return true;
}
