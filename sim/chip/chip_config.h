// How a simulated RZ52x chip is built and which faults it shows; all deterministic.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace sim {

constexpr unsigned Never = std::numeric_limits<unsigned>::max();

// Chip requests by their bRequest code.
namespace ChipRequest {
constexpr std::uint8_t Register = 0xE0;
constexpr std::uint8_t Identity = 0xE2;
constexpr std::uint8_t ResetC0 = 0xC0;
constexpr std::uint8_t ResetA0 = 0xA0;
constexpr std::uint8_t ResetB0 = 0xB0;
constexpr std::uint8_t SpiWriteEnable = 0xD4;
constexpr std::uint8_t SpiChipErase = 0xD1;
constexpr std::uint8_t SpiWriteStatus = 0xD8;
constexpr std::uint8_t SpiReadStatus = 0xC2;
constexpr std::uint8_t SpiReadData = 0xC4;
constexpr std::uint8_t SpiProgram = 0xDC;
// Answered at once with zeros: the bench's own round trip, for measuring.
constexpr std::uint8_t NoOp = 0xFF;
} // namespace ChipRequest

// A fault on the requests with one bRequest code (and, for registers, one register):
// the first `after` matching requests pass, the next `count` are hit.
struct RequestFault {
    enum class Effect {
        Fail,   // the transfer fails (stall)
        Short,  // an IN reply one byte shorter than asked (OUT requests pass)
        Unplug, // the chip leaves the bus: this and every later call fail
    };
    std::uint8_t request = 0;
    int reg = -1; // a register number, or -1 for any
    unsigned after = 0;
    unsigned count = 1;
    Effect effect = Effect::Fail;
};

// A bit error at one linear flash address: on program, the bits of `mask` come out
// flipped; on read, they are flipped in the reply from the `fromRead`-th data read on.
struct BitError {
    std::uint32_t address = 0;
    std::uint8_t mask = 0x01;
    unsigned fromRead = 0;
};

struct ChipConfig {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int bus = 1;
    int device = 0; // 0: the next free number
    // Its port chain on the bus ("1-1.3": port 3 of the hub on port 1); empty: a port of its own.
    std::string portPath{};
    // Register 0x18 reads 0x80 on a C0-type chip. This and the CC pin and trim values below
    // are the registers' first values; tests may change them later with SetRegister.
    bool c0Type = false;
    // Restart sequences run before register 0xF7 reports ready (bit 7 clear); Never: stays busy.
    unsigned resetsUntilReady = 1;
    unsigned eraseTimeMs = 2500;
    std::uint8_t initialFlashStatus = 0x0C;
    bool stuckBusy = false;
    std::uint8_t ccPin = 0x01;
    // eFuse trim registers 0x158 (low), 0x159 (high), 0x15A, 0x15B.
    std::array<std::uint8_t, 4> trim{0x37, 0x01, 0x5A, 0xC3};
    // GPIO fixture wires; false is a broken pair.
    std::array<bool, 4> fixturePairs{true, true, true, true};
    // Power cycle started by writing 0x30 to register 9: reads before it reports off,
    // then reads before it reports on again (Never: it stays in that phase).
    unsigned powerOffAfterReads = 3;
    unsigned powerOnAfterReads = 3;
    std::vector<RequestFault> faults;
    std::vector<BitError> programBitErrors;
    std::vector<BitError> readBitErrors;
};

// The key the chip's reset unlock latch (registers 0x2AE2-0x2AE5) must hold for the
// A0/B0 restart to take effect.
constexpr std::array<std::uint8_t, 4> ChipUnlockKey{0x4B, 0x52, 0x5A, 0x9C};

} // namespace sim
