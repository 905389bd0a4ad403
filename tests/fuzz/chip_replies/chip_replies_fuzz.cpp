// Chip mode against any USB bus and any chip: the bus's devices and their ids, and the
// replies of every vendor request (bytes moved, short replies, errors, data). The first
// supported device in bus and device order is the one opened, or none; a request's result
// is 1 only when the reply moved every byte asked for (an OUT request: when it did not
// fail), and only then are the reply's bytes taken; nothing outside the bytes asked for is
// written; the busy wait ends ready only on two clean status readings in a row; the blank
// check reads its whole span in order and calls blank only an all-0xFF flash; the eFuse
// trim reaches the image only as a marked trim from the flash or from the registers, and an
// image whose trim could not be read stays as it was.
//
// libusb-0.1 is replaced here by the fuzzer's bus: this program defines usb_get_busses and
// usb_control_msg, which the station's library then calls.
//
// Input: the bus (a count byte of busses, 0-3; per bus a count byte of devices, 0-5; per
// device a byte that picks a row of the supported devices, or with bit 7 set two more
// bytes each of vendor and product id), then operations until the input ends: a byte
// choosing the operation and its arguments (see Run), each request's reply taken from the
// input as it is sent: a byte (below 0xF0: every byte moved; 0xF0-0xFB: that many twelfths
// of them; 0xFC-0xFF: an error), and for a request with data in the data: a byte, with
// bit 7 set the byte that fills the data, else the count of bytes taken one by one from the
// input, and the next input byte fills what is left.
#include "engine/spi/download_steps.h"
#include "engine/spi/firmware_image.h"
#include "engine/usb/spi_opcodes.h"
#include "engine/usb/spi_wait.h"
#include "engine/usb/supported_devices.h"
#include "engine/usb/target_device.h"
#include "engine/usb/vendor_requests.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

namespace {

struct Request {
    int requestType = 0;
    int request = 0;
    int value = 0;
    int index = 0;
    int size = 0;
    int moved = 0;
    std::vector<BYTE> dataIn; // what the reply put into the caller's buffer
};

fuzz::Input* replies = nullptr;
std::vector<Request> sent;
std::deque<usb_bus> busses;
std::deque<struct usb_device> devices;
usb_bus* firstBus = nullptr;
int handleObject = 0;
usb_dev_handle* const kHandle = reinterpret_cast<usb_dev_handle*>(&handleObject);

struct Setup {
    Setup()
    {
        platform::SetDebugSink([](std::string_view) {});
        platform::SetClockSource(&clock);
        // The raw request prints its own lines on the console.
        if (std::freopen("/dev/null", "w", stdout) == nullptr)
            std::abort();
    }
    platform::VirtualClock clock;
};

void BuildBus(fuzz::Input& input)
{
    busses.clear();
    devices.clear();
    firstBus = nullptr;
    usb_bus* previousBus = nullptr;
    const int busCount = input.Byte() % 4;
    for (int b = 0; b < busCount; ++b) {
        usb_bus& bus = busses.emplace_back();
        std::snprintf(bus.dirname, sizeof bus.dirname, "%03d", b + 1);
        (previousBus != nullptr ? previousBus->next : firstBus) = &bus;
        bus.prev = previousBus;
        previousBus = &bus;
        struct usb_device* previous = nullptr;
        const int count = input.Byte() % 6;
        for (int d = 0; d < count; ++d) {
            struct usb_device& device = devices.emplace_back();
            std::snprintf(device.filename, sizeof device.filename, "%03d", d + 1);
            device.bus = &bus;
            const BYTE pick = input.Byte();
            if ((pick & 0x80) != 0) {
                device.descriptor.idVendor = static_cast<WORD>(input.Byte() | input.Byte() << 8);
                device.descriptor.idProduct = static_cast<WORD>(input.Byte() | input.Byte() << 8);
            } else {
                const UsbDeviceIds& row = SupportedDeviceTable[pick % SupportedDeviceTable.size()];
                // An odd pick stands for a near miss: the row's product id with another vendor.
                device.descriptor.idVendor = static_cast<WORD>(row.idVendor + (pick >= SupportedDeviceTable.size()));
                device.descriptor.idProduct = row.idProduct;
            }
            (previous != nullptr ? previous->next : bus.devices) = &device;
            device.prev = previous;
            previous = &device;
        }
    }
}

bool Listed(WORD vendor, WORD product)
{
    return std::find(SupportedDeviceTable.begin(), SupportedDeviceTable.end(), UsbDeviceIds{vendor, product}) !=
           SupportedDeviceTable.end();
}

void CheckFirstDevice()
{
    const struct usb_device* expected = nullptr;
    for (const auto& device : devices)
        if (expected == nullptr && Listed(device.descriptor.idVendor, device.descriptor.idProduct))
            expected = &device;
    UsbDeviceIds ids{0x1111, 0x2222};
    const struct usb_device* found = OpenTargetDevice(ids);
    FUZZ_CHECK(found == expected);
    if (found != nullptr) {
        FUZZ_CHECK(ids == (UsbDeviceIds{found->descriptor.idVendor, found->descriptor.idProduct}));
        FUZZ_CHECK(OpenedDeviceIds.Get() == ids);
    } else {
        FUZZ_CHECK(ids == (UsbDeviceIds{0x1111, 0x2222}));
        FUZZ_CHECK(OpenedDeviceIds.Get() == (UsbDeviceIds{0, 0}));
    }
}

// One request of the last operation; `from` is where the operation's requests begin.
const Request& Only(std::size_t from)
{
    FUZZ_CHECK(sent.size() == from + 1);
    return sent.back();
}

bool Complete(const Request& r)
{
    return r.moved == r.size;
}

void CheckRegisterRead(WORD reg, std::size_t from)
{
    BYTE value = 0xA5;
    const int result = Read_Register(reg, kHandle, &value, (reg & 1) != 0);
    const Request& r = Only(from);
    FUZZ_CHECK(r.requestType == 0xC0 && r.request == 0xE0 && r.size == 1);
    FUZZ_CHECK(r.value == ((reg & 0xFF) << 8 | 1) && r.index == reg >> 8);
    FUZZ_CHECK(result == (Complete(r) ? 1 : 0));
    FUZZ_CHECK(value == (result == 1 ? r.dataIn.at(0) : 0xA5));
}

void CheckStatusRead(BYTE opcode, std::size_t from)
{
    BYTE status = 0xA5;
    const int result = SPI_Read(kHandle, opcode, &status);
    const Request& r = Only(from);
    FUZZ_CHECK(r.requestType == 0xC0 && r.size == 1 && r.value == opcode);
    FUZZ_CHECK(result == (Complete(r) ? 1 : 0));
    FUZZ_CHECK(status == (result == 1 ? r.dataIn.at(0) : 0xA5));
}

void CheckDataRead(fuzz::Input& input, std::size_t from)
{
    const DWORD address = input.Byte() << 16 | input.Byte() << 8 | input.Byte();
    const WORD length = input.Byte();
    const DWORD offset = input.Byte();
    const BYTE target = input.Byte() % 3;
    std::vector<BYTE> buffer(512, 0xA5);
    const int result = SPI_Read_Data(address, kHandle, 0x03, offset, length, buffer.data(), target);
    const Request& r = Only(from);
    FUZZ_CHECK(r.size == length && r.value == static_cast<int>((address & 0xFF) << 8 | 0x03));
    FUZZ_CHECK(r.index == static_cast<int>(((address >> 8) + 256u * target) & 0xFFFF));
    FUZZ_CHECK(result == (Complete(r) ? 1 : 0));
    for (std::size_t i = 0; i < buffer.size(); ++i)
        if (i < offset || i >= offset + length)
            FUZZ_CHECK(buffer[i] == 0xA5);
}

void CheckRawRequest(fuzz::Input& input, std::size_t from)
{
    BYTE setup[8];
    for (BYTE& b : setup)
        b = input.Byte();
    BYTE before[8];
    std::memcpy(before, setup, sizeof setup);
    const bool in = (setup[0] & 0x80) != 0;
    const int result = VDR_Test(setup, kHandle);
    const Request& r = Only(from);
    FUZZ_CHECK(r.size == std::min(before[7] << 8 | before[6], 8));
    FUZZ_CHECK(r.request == before[1] && r.value == (before[3] << 8 | before[2]) && r.index == (before[5] << 8 | before[4]));
    if (in) {
        FUZZ_CHECK(result == (Complete(r) ? 1 : 0));
        for (int i = 0; i < 8; ++i)
            FUZZ_CHECK(setup[i] == (result == 1 && i < r.size ? r.dataIn.at(i) : before[i]));
    } else {
        FUZZ_CHECK(result == (r.moved >= 0 ? 1 : 0));
        FUZZ_CHECK(std::equal(setup, setup + 8, before));
    }
}

void CheckWait(std::size_t from)
{
    const int result = WaitSpiReady(kHandle, 0x05, 1);
    FUZZ_CHECK(sent.size() > from);
    int clean = 0;
    for (std::size_t i = from; i < sent.size(); ++i) {
        const Request& r = sent[i];
        FUZZ_CHECK(r.requestType == 0xC0 && r.value == 0x05 && r.size == 1);
        if (!Complete(r)) {
            FUZZ_CHECK(i + 1 == sent.size() && result == 0); // a failed read ends the wait at once
            return;
        }
        clean = (r.dataIn.at(0) & 0x03) == 0 ? clean + 1 : 0;
        if (clean == 2) {
            FUZZ_CHECK(i + 1 == sent.size() && result == 1);
            return;
        }
    }
    FUZZ_CHECK(result == 0 && sent.size() - from == 30000);
}

void CheckBlank(BYTE target, const SpiOpcodeRow& row, std::size_t from)
{
    std::vector<BYTE> buffer(FirmwareBufferSize, 0xA5);
    const int result = CheckSpiBlank(buffer, kHandle, row[SpiReadData], row[SpiChunk], target);
    const DWORD span = BlankCheckSpan(target);
    DWORD next = 0;
    for (std::size_t i = from; i < sent.size(); ++i) {
        const Request& r = sent[i];
        FUZZ_CHECK(r.size > 0 && r.size <= row[SpiChunk]);
        FUZZ_CHECK(r.value >> 8 == static_cast<int>(next & 0xFF) && r.index == static_cast<int>(((next >> 8) + 256u * target) & 0xFFFF));
        next += static_cast<DWORD>(r.size);
        if (!Complete(r)) {
            FUZZ_CHECK(i + 1 == sent.size() && result == 7);
            return;
        }
    }
    FUZZ_CHECK(next == span);
    const bool blank = std::all_of(buffer.begin(), buffer.begin() + span, [](BYTE b) { return b == 0xFF; });
    FUZZ_CHECK(result == (blank ? 1 : 14));
    FUZZ_CHECK(std::all_of(buffer.begin() + span, buffer.end(), [](BYTE b) { return b == 0xA5; }));
}

void CheckTrim(const SpiOpcodeRow& row, BYTE target, std::size_t from)
{
    constexpr std::size_t kTrim = 0xBFF0;
    std::vector<BYTE> image(FirmwareBufferSize, 0x3C), work(FirmwareBufferSize, 0x00);
    const int result = LoadEfuseTrim(kHandle, row, target, image, work);
    FUZZ_CHECK(sent.size() > from);
    const Request& flash = sent[from];
    FUZZ_CHECK(flash.size == 16 && flash.requestType == 0xC0);
    auto changed = [&](std::size_t i) { return image[i] != 0x3C; };
    for (std::size_t i = 0; i < image.size(); ++i)
        if (i < kTrim || i >= kTrim + 12 || (i >= kTrim + 2 && i < kTrim + 8))
            FUZZ_CHECK(!changed(i));
    const bool untouched = std::none_of(image.begin() + kTrim, image.begin() + kTrim + 12, [](BYTE b) { return b != 0x3C; });
    if (!Complete(flash)) {
        FUZZ_CHECK(result == 7 && untouched && sent.size() == from + 1);
        return;
    }
    const std::vector<BYTE>& f = flash.dataIn;
    if (f[0] == 'e' && f[1] == 'F') {
        FUZZ_CHECK(result == 1 && sent.size() == from + 1);
        FUZZ_CHECK(image[kTrim] == 'e' && image[kTrim + 1] == 'F');
        FUZZ_CHECK(std::equal(f.begin() + 8, f.begin() + 12, image.begin() + kTrim + 8));
        return;
    }
    // From the registers: each read must be whole, or nothing is taken.
    std::vector<BYTE> registers;
    for (std::size_t i = from + 1; i < sent.size(); ++i) {
        FUZZ_CHECK(sent[i].request == 0xE0 && sent[i].size == 1);
        if (!Complete(sent[i])) {
            FUZZ_CHECK(i + 1 == sent.size() && result == 0 && untouched);
            return;
        }
        registers.push_back(sent[i].dataIn.at(0));
    }
    FUZZ_CHECK(result == 1);
    if (registers.size() == 2) {
        FUZZ_CHECK(untouched); // a bound is never programmed
        FUZZ_CHECK((registers[0] == 0 && registers[1] == 0) || (registers[0] == 0xFF && registers[1] == 3));
        return;
    }
    FUZZ_CHECK(registers.size() == 4);
    FUZZ_CHECK(image[kTrim] == 'e' && image[kTrim + 1] == 'F');
    FUZZ_CHECK(std::equal(registers.begin(), registers.end(), image.begin() + kTrim + 8));
}

void Run(fuzz::Input& input)
{
    const BYTE choice = input.Byte();
    const std::size_t from = sent.size();
    const SpiOpcodeRow& row = SpiOpcodeTable[(choice >> 3) % SpiOpcodeTable.size()];
    switch (choice & 7) {
    case 0:
        CheckRegisterRead(static_cast<WORD>(input.Byte() << 8 | input.Byte()), from);
        break;
    case 1:
        CheckStatusRead(input.Byte(), from);
        break;
    case 2:
        CheckDataRead(input, from);
        break;
    case 3:
        CheckRawRequest(input, from);
        break;
    case 4:
        CheckWait(from);
        break;
    case 5:
        CheckBlank(static_cast<BYTE>((choice >> 6) % 3), row, from);
        break;
    default:
        CheckTrim(row, static_cast<BYTE>((choice >> 6) % 3), from);
        break;
    }
}

} // namespace

extern "C" struct usb_bus* usb_get_busses(void)
{
    return firstBus;
}

extern "C" int usb_control_msg(usb_dev_handle* handle, int requestType, int request, int value, int index, char* bytes,
                               int size, int)
{
    FUZZ_CHECK(handle == kHandle && size >= 0 && (size == 0 || bytes != nullptr));
    Request r{requestType, request, value, index, size, 0, {}};
    const BYTE outcome = replies->Byte();
    r.moved = outcome < 0xF0 ? size : outcome < 0xFC ? size * (outcome - 0xF0) / 12 : -(ETIMEDOUT + (outcome & 3));
    if ((requestType & 0x80) != 0 && r.moved > 0) {
        const BYTE head = replies->Byte();
        int at = 0;
        if ((head & 0x80) == 0)
            for (; at < std::min<int>(head, r.moved); ++at)
                bytes[at] = static_cast<char>(replies->Byte());
        if (at < r.moved)
            std::memset(bytes + at, (head & 0x80) != 0 ? head : replies->Byte(), static_cast<std::size_t>(r.moved - at));
    }
    if ((requestType & 0x80) != 0 && size > 0)
        r.dataIn.assign(bytes, bytes + size);
    sent.push_back(std::move(r));
    return sent.back().moved;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Setup setup;
    fuzz::Input input(data, size);
    replies = &input;
    sent.clear();
    BuildBus(input);
    CheckFirstDevice();
    for (int operations = 0; operations < 16 && !input.Empty(); ++operations)
        Run(input);
    replies = nullptr;
    return 0;
}
