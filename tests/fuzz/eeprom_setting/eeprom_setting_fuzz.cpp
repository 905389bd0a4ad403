// The EEPROM setting change of a bridge drive against any replies: power-management
// information, firmware memory and EEPROM image as the device gives them, and any command
// failing. Nothing is written unless every read was answered; when the image is written
// its 128 big-endian words sum to 0, it differs from the image read only in the checksum
// and the setting, it names the EEPROM the device named, and the firmware memory goes back
// as it was read; success means every write was answered.
//
// Input: the setting (suspend on, off, or a timer value), a seed for the firmware memory,
// then the device's replies (see scripted_device.h).
#include "server/vendor/eeprom_setting.h"
#include "tests/fuzz/scripted_device/scripted_device.h"

#include <map>

namespace {

bool Is(const fuzz::ScriptedCommand& c, BYTE group, BYTE sub)
{
    return c.cdb[0] == 0xEE && c.cdb[1] == group && c.cdb[6] == sub;
}

unsigned WordSum(const std::vector<std::uint8_t>& image)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < image.size(); i += 2)
        sum = (sum + (unsigned{image[i]} << 8 | image[i + 1])) & 0xFFFF;
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScriptedDevice device;
    static CVCommCMDControl sender;
    fuzz::Input input(data, size);
    const BYTE setting = input.Byte();
    const BYTE high = input.Byte(), low = input.Byte();
    const BYTE seed = input.Byte();
    unsigned piece = 0;
    device.Start(input, [&](std::vector<std::uint8_t>& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(seed + piece * 31 + i * 7);
        ++piece;
    });
    const bool timer = (setting & 2) != 0;
    const bool on = (setting & 1) != 0;
    int powerResult = -1;
    const int result = vendor::ChangeEepromSetting(
        sender, device.handle(), "fuzz",
        [&](vendor::EepromImage& image) {
            if (timer) {
                image[vendor::kTimerBytes] = high;
                image[vendor::kTimerBytes + 1] = low;
            } else {
                image[vendor::kSuspendByte] = on ? 1 : 0;
            }
        },
        [&] { return powerResult = sender.USDPowerWrite(device.handle(), timer ? 0x04 : (on ? 0x02 : 0x03), high, low, 0, 0, 0, nullptr); });
    const auto& commands = device.commands();

    bool readFailed = false;
    bool wrote = false;
    bool everyWriteAnswered = true;
    std::vector<std::uint8_t> power, image, written;
    std::map<unsigned, std::vector<std::uint8_t>> firmwareRead, firmwareWritten;
    BYTE eepromNamedOnWrite = 0;
    for (const auto& c : commands) {
        const unsigned address = c.cdb[4] << 8 | c.cdb[5];
        const bool read = Is(c, 0x8B, 0x01) || (c.dataIn && (Is(c, 0x80, 0x80) || Is(c, 0x80, 0x81)));
        if (read) {
            FUZZ_CHECK(!wrote); // every read comes before the first write
            if (!c.answered)
                readFailed = true;
            if (Is(c, 0x8B, 0x01))
                power = c.dataInGiven;
            else if (Is(c, 0x80, 0x81))
                firmwareRead[address] = c.dataInGiven;
            else if (Is(c, 0x80, 0x80))
                image = c.dataInGiven;
            continue;
        }
        FUZZ_CHECK(!readFailed); // nothing written after a failed read
        wrote = true;
        everyWriteAnswered = everyWriteAnswered && c.answered;
        if (Is(c, 0x80, 0x81)) {
            firmwareWritten[address] = c.dataOut;
        } else if (Is(c, 0x80, 0x80)) {
            written = c.dataOut;
            eepromNamedOnWrite = c.cdb[12];
        }
    }
    if (readFailed || commands.size() < 9) {
        FUZZ_CHECK(result == 0);
        FUZZ_CHECK(!wrote);
        return 0;
    }
    FUZZ_CHECK(powerResult != -1);
    FUZZ_CHECK(written.size() == vendor::kEepromSize);
    FUZZ_CHECK(WordSum(written) == 0);
    FUZZ_CHECK(eepromNamedOnWrite == power.at(3));
    for (std::size_t i = 2; i < written.size(); ++i) {
        const bool settingByte = timer ? (i == vendor::kTimerBytes || i == vendor::kTimerBytes + 1) : i == vendor::kSuspendByte;
        if (!settingByte)
            FUZZ_CHECK(written[i] == image.at(i));
    }
    if (timer)
        FUZZ_CHECK(written[vendor::kTimerBytes] == high && written[vendor::kTimerBytes + 1] == low);
    else
        FUZZ_CHECK(written[vendor::kSuspendByte] == (on ? 1 : 0));
    FUZZ_CHECK(firmwareWritten == firmwareRead);
    FUZZ_CHECK(firmwareRead.size() == 6);
    FUZZ_CHECK(result == (everyWriteAnswered ? 1 : 0));
    return 0;
}
