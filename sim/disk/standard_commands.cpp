// The standard commands of the simulated controller.
#include "sim/disk/flash_disk.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace sim {
namespace {

constexpr std::size_t kInquiryLength = 128;
constexpr std::size_t kIdentifyLength = 512;

void PutBigEndian32(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value >> 24);
    at[1] = static_cast<std::uint8_t>(value >> 16);
    at[2] = static_cast<std::uint8_t>(value >> 8);
    at[3] = static_cast<std::uint8_t>(value);
}

// Space-padded text field, as INQUIRY carries them.
void PutText(std::uint8_t* field, std::size_t size, const std::string& text)
{
    std::memset(field, ' ', size);
    std::memcpy(field, text.data(), std::min(size, text.size()));
}

ScsiAnswer MediumNotPresent()
{
    return ScsiAnswer::Check(kSenseNotReady, 0x3A, 0x00);
}

// Hands `reply` to a data-in command, as much as it asked for.
ScsiAnswer Answer(ScsiExchange& exchange, std::span<const std::uint8_t> reply)
{
    if (exchange.direction != DataDirection::FromDevice && !exchange.data.empty())
        return InvalidField();
    std::size_t moved = std::min(reply.size(), exchange.data.size());
    std::memcpy(exchange.data.data(), reply.data(), moved);
    return ScsiAnswer::Good(static_cast<std::uint32_t>(moved));
}

} // namespace

ScsiAnswer FlashDisk::Inquiry(ScsiExchange& exchange)
{
    std::uint8_t data[kInquiryLength] = {};
    data[0] = identity_.chipType & 0x0F; // direct-access device; the low bits name the chip
    data[1] = 0x80;                      // removable medium
    data[2] = 0x02;
    data[3] = 0x02;
    data[4] = identity_.additionalLength;
    PutText(&data[8], 8, identity_.vendor);
    PutText(&data[16], 16, identity_.product);
    PutText(&data[32], 4, identity_.revision);
    PutText(&data[36], 4, identity_.signature);
    std::copy(identity_.firmwareVersion.begin(), identity_.firmwareVersion.end(), &data[40]);
    data[51] = identity_.portFlags;
    std::size_t allocation = exchange.cdb.size() >= 5 ? (std::size_t{exchange.cdb[3]} << 8 | exchange.cdb[4]) : 0;
    return Answer(exchange, std::span<const std::uint8_t>(data, std::min(allocation, kInquiryLength)));
}

ScsiAnswer FlashDisk::TestUnitReady(ScsiExchange&)
{
    if (notReadyPolls_ > 0) {
        --notReadyPolls_;
        return ScsiAnswer::Check(kSenseNotReady, 0x04, 0x01); // becoming ready
    }
    return mediumLoaded_ ? ScsiAnswer::Good(0) : MediumNotPresent();
}

ScsiAnswer FlashDisk::ReadCapacity(ScsiExchange& exchange)
{
    if (!mediumLoaded_)
        return MediumNotPresent();
    std::uint64_t lastLba = luns_[exchange.lun].sectors() - 1;
    std::uint8_t data[8];
    PutBigEndian32(&data[0], static_cast<std::uint32_t>(std::min<std::uint64_t>(lastLba, 0xFFFFFFFF)));
    PutBigEndian32(&data[4], LunStore::kSectorSize);
    return Answer(exchange, data);
}

ScsiAnswer FlashDisk::ReadWrite10(ScsiExchange& exchange)
{
    if (exchange.cdb.size() < 10)
        return InvalidField();
    bool write = exchange.cdb[0] == 0x2A;
    std::uint32_t lba = BigEndian32(exchange.cdb, 2);
    std::uint32_t blocks = std::uint32_t{exchange.cdb[7]} << 8 | exchange.cdb[8];
    DataDirection expected = write ? DataDirection::ToDevice : DataDirection::FromDevice;
    if (exchange.data.size() != std::size_t{blocks} * LunStore::kSectorSize ||
        (blocks != 0 && exchange.direction != expected))
        return InvalidField();
    if (!mediumLoaded_)
        return MediumNotPresent();
    LunStore& store = luns_[exchange.lun];
    if (!store.Contains(lba, blocks))
        return ScsiAnswer::Check(kSenseIllegalRequest, 0x21, 0x00); // LBA out of range
    if (write)
        store.Write(lba, exchange.data);
    else
        store.Read(lba, exchange.data);
    return ScsiAnswer::Good(static_cast<std::uint32_t>(exchange.data.size()));
}

ScsiAnswer FlashDisk::StartStopUnit(ScsiExchange& exchange)
{
    if (exchange.cdb.size() < 5)
        return InvalidField();
    bool start = (exchange.cdb[4] & 0x01) != 0;
    bool loadEject = (exchange.cdb[4] & 0x02) != 0;
    if (loadEject)
        mediumLoaded_ = start;
    return ScsiAnswer::Good(0);
}

// ATA PASS-THROUGH(12) to the drive behind a bridge: IDENTIFY DEVICE only, for a fixed
// drive with 48-bit addressing as big as logical unit 0.
ScsiAnswer FlashDisk::AtaPassThrough(ScsiExchange& exchange)
{
    constexpr std::uint8_t kIdentifyDevice = 0xEC;
    if (exchange.cdb.size() < 12 || exchange.cdb[9] != kIdentifyDevice)
        return InvalidField();
    std::array<std::uint16_t, kIdentifyLength / 2> words{};
    // Text fields: two characters a word, the first in the high byte.
    auto putText = [&](std::size_t first, std::size_t count, const std::string& text) {
        std::string padded = text.substr(0, 2 * count);
        padded.resize(2 * count, ' ');
        for (std::size_t i = 0; i < count; ++i)
            words[first + i] = static_cast<std::uint16_t>(static_cast<std::uint8_t>(padded[2 * i]) << 8 |
                                                          static_cast<std::uint8_t>(padded[2 * i + 1]));
    };
    const std::uint64_t sectors = luns_[0].sectors();
    words[0] = 0x0040; // fixed device
    putText(10, 10, identity_.ataSerial);
    putText(23, 4, identity_.ataFirmware);
    putText(27, 20, identity_.ataModel);
    words[49] = 0x0200; // LBA
    words[53] = 0x0006;
    const auto lba28 = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, 0x0FFFFFFF));
    words[60] = static_cast<std::uint16_t>(lba28);
    words[61] = static_cast<std::uint16_t>(lba28 >> 16);
    words[80] = 0x01F0; // ATA-4 to ATA-8
    words[83] = 0x4400; // 48-bit addressing
    words[86] = 0x0400;
    for (int i = 0; i < 4; ++i)
        words[100 + i] = static_cast<std::uint16_t>(sectors >> (16 * i));
    std::uint8_t data[kIdentifyLength];
    for (std::size_t i = 0; i < words.size(); ++i) {
        data[2 * i] = static_cast<std::uint8_t>(words[i]);
        data[2 * i + 1] = static_cast<std::uint8_t>(words[i] >> 8);
    }
    // Word 255: the integrity signature, and a checksum that makes all 512 bytes sum to 0.
    data[510] = 0xA5;
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < kIdentifyLength - 1; ++i)
        sum = static_cast<std::uint8_t>(sum + data[i]);
    data[511] = static_cast<std::uint8_t>(-sum);
    return Answer(exchange, data);
}

} // namespace sim
