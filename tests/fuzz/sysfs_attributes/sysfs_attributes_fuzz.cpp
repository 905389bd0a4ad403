// What the station reads from sysfs (directly, and through udev for the maker's hubs)
// under any attribute texts: a text attribute reads as the file without its surrounding
// blanks and line ends, a binary one byte for byte; a number is taken only from the text of
// a number that fits its field (hexadecimal with or without "0x", decimal with or without a
// fraction, which is dropped), anything else reads as missing; a device name is taken only
// when it is a device's name as the kernel writes it, so that it reads back as the same
// name; a device is read only from a whole device descriptor, its ids, release and class
// from their places in it.
//
// Input: operations until the input ends, each a byte choosing it (see Run) followed by its
// texts, each a length byte and that many bytes; bit 7 of the choice byte leaves a text's
// file out where an operation writes files.
#include "platform/rz960/hub_enumeration.h"
#include "platform/usbsys/sysfs.h"
#include "platform/usbsys/usb_tree.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using platform::usbsys::ParseDeviceName;

std::string_view Trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

int DigitValue(char c, unsigned base)
{
    int value = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    return value < static_cast<int>(base) ? value : -1;
}

// Digits of `base` making up all of `digits`, as a number no larger than `limit`.
std::optional<unsigned long long> Number(std::string_view digits, unsigned base, unsigned long long limit)
{
    if (digits.empty())
        return std::nullopt;
    unsigned long long value = 0;
    for (char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            return std::nullopt;
        value = value * base + static_cast<unsigned>(digit);
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

std::optional<unsigned long long> HexNumber(std::string_view text, unsigned long long limit)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text.remove_prefix(2);
    return Number(text, 16, limit);
}

// Decimal digits, and after a '.' any further digits, which are dropped.
std::optional<unsigned long long> DecimalNumber(std::string_view text, unsigned long long limit)
{
    const auto point = text.find('.');
    if (point != std::string_view::npos) {
        const std::string_view fraction = text.substr(point + 1);
        if (!std::all_of(fraction.begin(), fraction.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
    }
    return Number(text.substr(0, point), 10, limit);
}

std::string NameOf(unsigned bus, const std::vector<unsigned>& ports)
{
    if (ports.empty())
        return "usb" + std::to_string(bus);
    std::string name = std::to_string(bus) + "-" + std::to_string(ports[0]);
    for (std::size_t i = 1; i < ports.size(); ++i)
        name += "." + std::to_string(ports[i]);
    return name;
}

// A file of the folder, or none.
void Put(const std::string& folder, const char* name, std::optional<std::string_view> text)
{
    const std::string path = folder + "/" + name;
    if (text)
        fuzz::WriteFile(path, *text);
    else
        std::remove(path.c_str());
}

void CheckAttribute(const std::string& folder, std::string_view text)
{
    Put(folder, "a", text);
    const auto read = platform::usbsys::ReadAttribute(folder, "a");
    FUZZ_CHECK(read && *read == Trimmed(text));
    const auto binary = platform::usbsys::ReadBinaryAttribute(folder, "a");
    FUZZ_CHECK(binary && std::string(binary->begin(), binary->end()) == text);
    const auto hex = platform::usbsys::ReadHexAttribute(folder, "a");
    const auto hexExpected = HexNumber(Trimmed(text), UINT_MAX);
    FUZZ_CHECK(hex.has_value() == hexExpected.has_value() && (!hex || *hex == *hexExpected));
    const auto decimal = platform::usbsys::ReadDecimalAttribute(folder, "a");
    const auto decimalExpected = DecimalNumber(Trimmed(text), UINT_MAX);
    FUZZ_CHECK(decimal.has_value() == decimalExpected.has_value() && (!decimal || *decimal == *decimalExpected));
    Put(folder, "speed", text);
    FUZZ_CHECK(platform::usbsys::ReadSpeedMbps(folder) == decimalExpected.value_or(0));
    FUZZ_CHECK(!platform::usbsys::ReadAttribute(folder, "missing"));
    FUZZ_CHECK(!platform::usbsys::ReadHexAttribute(folder, "missing"));
}

void CheckDeviceName(std::string_view text)
{
    const std::string name(text);
    unsigned bus = 7;
    std::vector<unsigned> ports{9};
    if (ParseDeviceName(name, bus, ports)) {
        FUZZ_CHECK(NameOf(bus, ports) == name);
        FUZZ_CHECK(std::find(ports.begin(), ports.end(), 0u) == ports.end());
        const auto device = platform::usbsys::UsbDeviceAt(name, "/nowhere");
        FUZZ_CHECK(device && device->bus == bus && device->ports == ports && device->sysName == name);
    } else {
        FUZZ_CHECK(!platform::usbsys::UsbDeviceAt(name, "/nowhere"));
    }
}

// A name as the kernel writes it, from the input's bytes: each byte a port, bus from the first.
void CheckWrittenName(std::string_view bytes)
{
    if (bytes.empty())
        return;
    const unsigned bus = static_cast<unsigned char>(bytes[0]);
    std::vector<unsigned> ports;
    for (char c : bytes.substr(1))
        ports.push_back(1u + static_cast<unsigned char>(c) % 31);
    unsigned parsedBus = 0;
    std::vector<unsigned> parsedPorts;
    FUZZ_CHECK(ParseDeviceName(NameOf(bus, ports), parsedBus, parsedPorts));
    FUZZ_CHECK(parsedBus == bus && parsedPorts == ports);
}

void CheckDevice(const std::string& folder, fuzz::Input& input, BYTE choice)
{
    const std::string name(input.Bytes(32));
    const std::string_view descriptors = input.Bytes();
    const std::string_view speed = input.Bytes(16), maxchild = input.Bytes(16), serial = input.Bytes();
    const bool leaveOut = (choice & 0x80) != 0;
    Put(folder, "descriptors", leaveOut && (choice & 0x08) ? std::nullopt : std::optional(descriptors));
    Put(folder, "speed", leaveOut && (choice & 0x10) ? std::nullopt : std::optional(speed));
    Put(folder, "maxchild", leaveOut && (choice & 0x20) ? std::nullopt : std::optional(maxchild));
    Put(folder, "serial", leaveOut && (choice & 0x40) ? std::nullopt : std::optional(serial));
    const bool hasDescriptor = !(leaveOut && (choice & 0x08)) && descriptors.size() >= 18;
    unsigned bus;
    std::vector<unsigned> ports;
    const auto device = platform::usbsys::ReadUsbDevice(name, folder);
    FUZZ_CHECK(device.has_value() == (hasDescriptor && ParseDeviceName(name, bus, ports)));
    if (!device)
        return;
    auto word = [&](std::size_t at) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(descriptors[at]) | static_cast<unsigned char>(descriptors[at + 1]) << 8);
    };
    FUZZ_CHECK(device->vendorId == word(8) && device->productId == word(10) && device->bcdDevice == word(12));
    FUZZ_CHECK(device->deviceClass == static_cast<unsigned char>(descriptors[4]));
    FUZZ_CHECK(device->bus == bus && device->ports == ports && device->folder == folder);
    const bool hasMaxchild = !(leaveOut && (choice & 0x20));
    FUZZ_CHECK(device->portCount == (hasMaxchild ? DecimalNumber(Trimmed(maxchild), UINT_MAX).value_or(0) : 0));
    if (leaveOut && (choice & 0x40))
        FUZZ_CHECK(!device->serial);
    else
        FUZZ_CHECK(device->serial && *device->serial == Trimmed(serial));
}

void CheckHubIdentity(fuzz::Input& input, BYTE choice)
{
    std::optional<std::string> texts[4];
    for (int i = 0; i < 4; ++i) {
        const std::string_view text = input.Bytes(16);
        if (!((choice & 0x80) && (choice & (0x08 << i))))
            texts[i] = std::string(text.substr(0, text.find('\0')));
    }
    auto c = [&](int i) { return texts[i] ? texts[i]->c_str() : nullptr; };
    const platform::HubIdentity identity = platform::HubIdentityOf(c(0), c(1), c(2), c(3));
    // udev hands the attribute over without its line end; a text that is no number counts as missing.
    auto hex = [&](int i) { return texts[i] ? HexNumber(*texts[i], 0xFFFF).value_or(0) : 0; };
    FUZZ_CHECK(identity.productId == hex(0) && identity.vendorId == hex(1) && identity.releaseNumber == hex(2));
    const auto mbps = texts[3] ? DecimalNumber(*texts[3], UINT_MAX) : std::nullopt;
    const BYTE generation = !mbps ? 0 : *mbps >= 5000 ? 3 : *mbps >= 480 ? 2 : 1;
    FUZZ_CHECK(identity.generation == generation);
}

void Run(const std::string& folder, fuzz::Input& input)
{
    const BYTE choice = input.Byte();
    switch (choice & 7) {
    case 0:
    case 1:
        CheckAttribute(folder, input.Bytes());
        break;
    case 2:
        CheckDeviceName(input.Bytes(32));
        break;
    case 3:
        CheckWrittenName(input.Bytes(8));
        break;
    case 4:
    case 5:
        CheckDevice(folder, input, choice);
        break;
    default:
        CheckHubIdentity(input, choice);
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string folder = [] {
        std::string made = fuzz::ScratchFolder() + "/device";
        std::filesystem::create_directories(made);
        return made;
    }();
    fuzz::Input input(data, size);
    for (int operations = 0; operations < 16 && !input.Empty(); ++operations)
        Run(folder, input);
    return 0;
}
