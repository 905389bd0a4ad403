// The topology walk against a hub driver whose every reply comes from the fuzzer: port
// counts, what is on each port, descriptors of any length and content, names of any length
// and text, and failures anywhere. A configuration descriptor is taken only whole (its first
// 9 bytes, then exactly wTotalLength); a device counts as mass storage only when a chain of
// whole descriptors leads from the configuration to an interface descriptor whose own bytes
// say class 8; a string descriptor only with exactly its bLength bytes; a name only as the
// reply's text up to its end; the maker's hub list never writes past its table and lists
// only the maker's hubs; a poll of a port fills its record with terminated texts and ends,
// however the hubs nest.
//
// Input: a byte choosing the run (see the end of this file) and its arguments, then the
// hub driver's replies, each taken as a request arrives. Every reply starts with a byte, 0
// (and so the end of the input) failing the request; otherwise: node information: the port
// count (a byte, modulo 20); connection information: bit 0 of the first byte connected,
// bit 1 a hub, bits 2-3 the speed, then vendor and product id (two bytes each), bcdUSB's
// high byte and the three string indexes; a descriptor: its bytes (a length byte and that
// many); a name: bit 1 of the first byte says the record's length is the name's own, else
// two bytes give it, then the name (a count byte and that many UTF-16 units).
#include "platform/base/lasterror.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/devio/devio.h"
#include "platform/devio/usb_hub_ioctl.h"
#include "platform/text/text.h"
#include "server/topology/hub_link.h"
#include "server/topology/hub_lister.h"
#include "server/topology/usb_topology.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* kHub = "\\\\.\\fuzzed-hub";

struct Call {
    DWORD code = 0;
    std::vector<BYTE> data;   // descriptor bytes handed over
    std::u16string name;      // the name handed over (whole), for name requests
    bool answered = false;
};

fuzz::Input* replies = nullptr;
std::vector<Call> calls;

BOOL Fail()
{
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}

BOOL NodeInformation(platform::FileObject&, DWORD code, LPVOID, DWORD, LPVOID out, DWORD outSize, LPDWORD returned)
{
    calls.push_back({code, {}, {}, false});
    const BYTE first = replies->Byte();
    if (first == 0 || out == nullptr || outSize < sizeof(USB_NODE_INFORMATION))
        return Fail();
    USB_NODE_INFORMATION info{};
    info.HubInformation.HubDescriptor.bNumberOfPorts = static_cast<UCHAR>(replies->Byte() % 20);
    std::memcpy(out, &info, sizeof info);
    *returned = sizeof info;
    calls.back().answered = true;
    return TRUE;
}

BOOL ConnectionInformation(platform::FileObject&, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                           LPDWORD returned)
{
    constexpr DWORD header = offsetof(USB_NODE_CONNECTION_INFORMATION_EX, PipeList);
    calls.push_back({code, {}, {}, false});
    const BYTE first = replies->Byte();
    if (first == 0 || in == nullptr || out == nullptr || inSize < 4 || outSize < header)
        return Fail();
    USB_NODE_CONNECTION_INFORMATION_EX info{};
    std::memcpy(&info.ConnectionIndex, in, 4);
    info.ConnectionStatus = first & 1;
    info.DeviceIsHub = (first & 2) != 0;
    info.Speed = static_cast<UCHAR>((first >> 2) & 3);
    info.DeviceDescriptor.idVendor = static_cast<USHORT>(replies->Byte() | replies->Byte() << 8);
    info.DeviceDescriptor.idProduct = static_cast<USHORT>(replies->Byte() | replies->Byte() << 8);
    info.DeviceDescriptor.bcdUSB = static_cast<USHORT>(replies->Byte() << 8);
    info.DeviceDescriptor.iManufacturer = replies->Byte();
    info.DeviceDescriptor.iProduct = replies->Byte();
    info.DeviceDescriptor.iSerialNumber = replies->Byte();
    std::memcpy(out, &info, header);
    *returned = header;
    calls.back().answered = true;
    return TRUE;
}

BOOL Descriptor(platform::FileObject&, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned)
{
    constexpr DWORD header = offsetof(USB_DESCRIPTOR_REQUEST, Data);
    calls.push_back({code, {}, {}, false});
    const BYTE first = replies->Byte();
    if (first == 0 || in == nullptr || out == nullptr || inSize < header || outSize < header)
        return Fail();
    USB_DESCRIPTOR_REQUEST request;
    std::memcpy(&request, in, header);
    const std::string_view bytes = replies->Bytes();
    const std::size_t count = std::min<std::size_t>({bytes.size(), request.SetupPacket.wLength, outSize - header});
    std::memmove(out, in, header);
    std::memcpy(static_cast<BYTE*>(out) + header, bytes.data(), count);
    *returned = static_cast<DWORD>(header + count);
    calls.back().data.assign(bytes.begin(), bytes.begin() + static_cast<long>(count));
    calls.back().answered = true;
    return TRUE;
}

BOOL Name(platform::FileObject&, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned)
{
    const std::size_t header = code == IOCTL_USB_GET_ROOT_HUB_NAME ? 4 : 8;
    calls.push_back({code, {}, {}, false});
    const BYTE first = replies->Byte();
    if (first == 0 || in == nullptr || out == nullptr || outSize < header)
        return Fail();
    ULONG actual = 0;
    if ((first & 2) == 0)
        actual = replies->Byte() | replies->Byte() << 8;
    std::u16string name = replies->Wide(60);
    if ((first & 2) != 0)
        actual = static_cast<ULONG>(header + 2 * (name.size() + 1));
    auto* bytes = static_cast<BYTE*>(out);
    if (header == 8)
        std::memmove(bytes, in, std::min<DWORD>(inSize, 4));
    std::memcpy(bytes + header - 4, &actual, 4);
    const std::size_t room = (outSize - header) / 2;
    const std::size_t given = std::min(room, name.size() + 1);
    name.push_back(u'\0');
    std::memcpy(bytes + header, name.data(), given * 2);
    *returned = static_cast<DWORD>(header + given * 2);
    calls.back().name = name.substr(0, given);
    calls.back().answered = true;
    return TRUE;
}

// Hubs of the fuzzed driver: any "\\.\" name without '#' (those name devices of the
// machine's own listing).
bool OpenFuzzedHub(const std::string& name, DWORD, DWORD, DWORD, int& fd, std::string& linuxPath)
{
    if (name.rfind("\\\\.\\", 0) != 0 || name.find('#') != std::string::npos)
        return false;
    fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    linuxPath = name;
    return true;
}

struct Setup {
    Setup()
    {
        namespace fs = std::filesystem;
        const std::string sysfs = fuzz::ScratchFolder() + "/sys";
        fs::create_directories(sysfs);
        setenv("FABRUN_SYSFS_ROOT", sysfs.c_str(), 1);
        setenv("FABRUN_REGISTRY", (fuzz::ScratchFolder() + "/registry").c_str(), 1);
        platform::SetDebugSink([](std::string_view) {});
        platform::SetClockSource(&clock);
        platform::RegisterDeviceNamespace(&OpenFuzzedHub);
        platform::RegisterIoctlHandler(IOCTL_USB_GET_NODE_INFORMATION, [](platform::FileObject& f, DWORD c, LPVOID in, DWORD inSize,
                                                                          LPVOID out, DWORD outSize, LPDWORD r) {
            // One code for both: a hub answers node information, a host controller its root hub's name.
            return f.linuxPath().find("controller") != std::string::npos ? Name(f, c, in, inSize, out, outSize, r)
                                                                          : NodeInformation(f, c, in, inSize, out, outSize, r);
        });
        platform::RegisterIoctlHandler(IOCTL_USB_GET_NODE_CONNECTION_INFORMATION_EX, &ConnectionInformation);
        platform::RegisterIoctlHandler(IOCTL_USB_GET_DESCRIPTOR_FROM_NODE_CONNECTION, &Descriptor);
        platform::RegisterIoctlHandler(IOCTL_USB_GET_NODE_CONNECTION_NAME, &Name);
        platform::RegisterIoctlHandler(IOCTL_USB_GET_NODE_CONNECTION_DRIVERKEY_NAME, &Name);
    }
    platform::VirtualClock clock;
};

// Whether `config` leads by whole descriptors (configuration and endpoint descriptors
// stepped over) to an interface descriptor of class 8 that holds its class byte.
bool ReferenceMassStorage(const std::vector<BYTE>& config)
{
    std::size_t at = 0;
    while (at + 2 <= config.size()) {
        const std::size_t length = config[at];
        if (length < 2 || at + length > config.size())
            return false;
        const BYTE type = config[at + 1];
        if (type == 4)
            return length > 5 && config[at + 5] == 8;
        if (type != 2 && type != 5)
            return false;
        at += length;
    }
    return false;
}

bool Terminated(const char* field, std::size_t size)
{
    return std::memchr(field, '\0', size) != nullptr;
}

HANDLE OpenHub()
{
    HANDLE hub = CreateFileA(kHub, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    FUZZ_CHECK(hub != INVALID_HANDLE_VALUE);
    return hub;
}

void CheckConfigDescriptor(ULONG port)
{
    HANDLE hub = OpenHub();
    std::vector<BYTE> config;
    const bool got = GetConfigDescriptor(hub, port, config);
    CloseHandle(hub);
    const bool mass = FirstInterfaceIsMassStorage(config);
    FUZZ_CHECK(mass == ReferenceMassStorage(config));
    if (!got)
        return;
    FUZZ_CHECK(calls.size() == 2 && calls[0].answered && calls[1].answered);
    FUZZ_CHECK(calls[0].data.size() == 9);
    const std::size_t total = calls[0].data[2] | calls[0].data[3] << 8;
    FUZZ_CHECK(config.size() == total && total >= 9 && config == calls[1].data);
}

void CheckStringDescriptor(ULONG port, BYTE index)
{
    HANDLE hub = OpenHub();
    std::vector<BYTE> descriptor;
    const bool got = GetStringDescriptor(hub, port, index, 0x0409, descriptor);
    CloseHandle(hub);
    if (!got)
        return;
    FUZZ_CHECK(calls.size() == 1 && descriptor == calls[0].data);
    FUZZ_CHECK(descriptor.size() >= 2 && descriptor.size() == descriptor[0] && descriptor[0] % 2 == 0 && descriptor[1] == 3);
}

void CheckName(BYTE which, ULONG port)
{
    const bool controller = which % 3 == 2;
    HANDLE handle = CreateFileA(controller ? "\\\\.\\fuzzed-controller" : kHub, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    FUZZ_CHECK(handle != INVALID_HANDLE_VALUE);
    std::string name = "unchanged";
    unsigned attempts = 0;
    const bool got = which % 3 == 0 ? GetDriverKeyName(handle, port, name)
                                    : which % 3 == 1 ? GetHubName(handle, port, attempts, name) : GetRootHubName(handle, name);
    CloseHandle(handle);
    if (which % 3 == 1)
        FUZZ_CHECK(attempts >= 1 && attempts <= 4 && (got || attempts == 4));
    if (!got) {
        FUZZ_CHECK(name == "unchanged" || which % 3 == 1);
        return;
    }
    const Call& last = calls.back();
    FUZZ_CHECK(last.answered);
    std::u16string text = last.name.substr(0, last.name.find(u'\0'));
    FUZZ_CHECK(name == platform::WideToAnsi(text));
    if (which % 3 == 1)
        FUZZ_CHECK(!name.empty());
}

void CheckHubList(fuzz::Input& input)
{
    constexpr std::size_t kCapacity = 32;
    std::vector<HubRecord> all(kCapacity + 2);
    std::memset(all.data(), 0xA5, sizeof(HubRecord) * all.size());
    HubRecord* records = all.data() + 1;
    std::memset(records, 0, sizeof(HubRecord) * kCapacity);
    const BYTE how = input.Byte();
    HubRecord own{};
    HubLister lister(records, kCapacity);
    lister.Walk(kHub, (how & 1) != 0 ? &own : nullptr, (how & 2) != 0 ? 1u + (how >> 2) % 8 : 0u);
    for (const HubRecord* guard : {&all.front(), &all.back()}) {
        const auto* bytes = reinterpret_cast<const BYTE*>(guard);
        FUZZ_CHECK(std::all_of(bytes, bytes + sizeof(HubRecord), [](BYTE b) { return b == 0xA5; }));
    }
    for (std::size_t i = 0; i < kCapacity; ++i) {
        const HubRecord& r = records[i];
        FUZZ_CHECK(Terminated(r.parentHubPath, sizeof r.parentHubPath) && Terminated(r.ownPath, sizeof r.ownPath));
        if (r.ownPath[0] != '\0')
            FUZZ_CHECK(std::string_view(r.ownPath).rfind("\\\\.\\", 0) == 0 && r.idVendor == 0x2F52);
    }
    for (const HubRecord* r : {&own}) {
        FUZZ_CHECK(r->idVendor == 0 && r->ownPath[0] == '\0');
        for (const HubPortSlot& slot : r->downstream)
            FUZZ_CHECK(slot.unused == 0);
    }
}

void CheckPoll(fuzz::Input& input)
{
    static CSTDCMDControl standard;
    static CVCommCMDControl vendor;
    static TopologySwitches switches;
    const BYTE how = input.Byte();
    switches.filterDriverMode = how & 1;
    switches.forceUsb30 = (how >> 1) & 1;
    UsbTopology topology(standard, vendor, switches);
    auto record = std::make_unique<PortRecord>();
    std::memset(record.get(), 0, sizeof(PortRecord));
    platform::CopyToField(record->hubPath, sizeof record->hubPath, kHub);
    record->portNumber = 1u + (how >> 2) % 16;
    const INT result = (how & 0x80) != 0 ? topology.PollingSingleUSBPortEx(record.get(), input.Byte(), 0)
                                         : topology.PollingSingleUSBPort(record.get());
    FUZZ_CHECK(result == 0 || result == 1);
    FUZZ_CHECK(record->present <= 1 && record->changed <= 1);
    const PortRecord& r = *record;
    for (auto [field, size] : {std::pair<const char*, std::size_t>{r.hubPath, sizeof r.hubPath},
                               {r.symbolicName, sizeof r.symbolicName}, {r.parentIdPrefix, sizeof r.parentIdPrefix},
                               {r.serialNumber, sizeof r.serialNumber}, {r.driverKeyName, sizeof r.driverKeyName},
                               {r.manufacturer, sizeof r.manufacturer}, {r.product, sizeof r.product}})
        FUZZ_CHECK(Terminated(field, size));
}

} // namespace

// The run: choice byte bits 0-2: 0 a configuration descriptor, 1 a string descriptor (the
// next byte its index), 2 a name (the next byte: driver key, hub name, root hub name),
// 3 the list of the maker's hubs (the next byte: bit 0 the walked hub has a record, bit 1
// one port only, bits 2-4 which), else a poll of one port (the next byte: bit 0 filter
// driver mode, bit 1 only USB 3, bits 2-5 the port, bit 7 the extended poll, whose
// configuration byte follows). Bits 3-7 of the choice byte give the port of single requests.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    fuzz::Input input(data, size);
    replies = &input;
    calls.clear();
    const BYTE choice = input.Byte();
    const ULONG port = choice >> 3;
    switch (choice & 7) {
    case 0:
        CheckConfigDescriptor(port);
        break;
    case 1:
        CheckStringDescriptor(port, input.Byte());
        break;
    case 2:
        CheckName(input.Byte(), port);
        break;
    case 3:
        CheckHubList(input);
        break;
    default:
        CheckPoll(input);
        break;
    }
    replies = nullptr;
    return 0;
}
