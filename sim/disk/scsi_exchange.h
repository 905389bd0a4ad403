// One SCSI command as the simulated controller sees it, taken from an SG_IO request, and
// the controller's answer: SCSI status, sense data, and the adapter's and driver's codes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

enum class DataDirection { None, ToDevice, FromDevice };

struct ScsiExchange {
    unsigned lun = 0;
    std::span<const std::uint8_t> cdb;
    DataDirection direction = DataDirection::None;
    std::span<std::uint8_t> data; // to fill (from device) or as sent (to device)
    unsigned timeoutMs = 0;
};

// SCSI status codes and sense keys the model answers with.
constexpr std::uint8_t kStatusGood = 0x00;
constexpr std::uint8_t kStatusCheckCondition = 0x02;
// The status of a request the driver never completed: left as the sender preset it.
constexpr std::uint8_t kStatusNotCompleted = 0x01;
constexpr std::uint8_t kSenseNotReady = 0x02;
constexpr std::uint8_t kSenseMediumError = 0x03;
constexpr std::uint8_t kSenseHardwareError = 0x04;
constexpr std::uint8_t kSenseIllegalRequest = 0x05;
constexpr std::uint8_t kSenseDataProtect = 0x07;

// Big-endian fields of a CDB or of data, at a place the caller has checked lies inside.
inline std::uint16_t BigEndian16(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

inline std::uint32_t BigEndian32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint32_t{BigEndian16(bytes, at)} << 16 | BigEndian16(bytes, at + 2);
}

struct ScsiAnswer {
    // The ioctl itself fails with this errno (0: it succeeds).
    int callErrno = 0;
    std::uint8_t status = kStatusGood;
    std::uint8_t hostStatus = 0;
    std::vector<std::uint8_t> sense;
    std::uint32_t moved = 0; // data bytes moved

    static ScsiAnswer Good(std::uint32_t moved) { return ScsiAnswer{0, kStatusGood, 0, {}, moved}; }
    // CHECK CONDITION with fixed-format sense data.
    static ScsiAnswer Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
};

} // namespace sim
