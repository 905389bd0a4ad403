// The flash-drive controller's own vendor commands and the state behind them, registered
// on the controller (FlashDisk) when it is made. Each command checks that its data phase
// matches its CDB (direction and length), so a command the station builds wrong fails.
// Models plugged in later (a NAND model, a bridge drive) register over these.
// The controller's own facts live here whatever is plugged in: memories, XDATA, LUN
// configuration and settings, security, EEPROM and firmware memory, the system address
// block and flash method, ISP segments. The flash commands (flash id, spare areas, blocks,
// block marks and checks) are answered here by a stand-in flash (the CIS/ISP block store)
// only while no flash model is plugged in: a NAND model takes them over whole.
// Tests read and set the state through Snapshot and Change; the handlers run on the
// bench's thread under the controller's lock and this object's own.
#pragma once

#include "sim/disk/byte_memory.h"
#include "sim/disk/vendor_request.h"

#include <array>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace sim {

class FlashDisk;

// A block of the CIS/ISP block store as the controller wrote it to NAND.
struct StoredBlock {
    std::string tag;
    std::uint8_t kind = 0;
    std::uint8_t flags = 0;
    std::vector<std::uint8_t> cells; // as the NAND holds them (encrypted when encryption was on)
    std::uint8_t ecc = 0;            // the ECC setting the block was written with
};

struct ControllerState {
    // Group 0x01: code memory (read only) and data memory, 16-bit addresses.
    ByteMemory codeMemory{0x10000};
    ByteMemory dataMemory{0x10000};
    // Group 0x02: device id, LUN configuration, and the LUN data area (in sectors).
    std::array<std::uint8_t, 16> deviceId{};
    std::array<std::uint8_t, 48> lunConfiguration{};
    ByteMemory lunData{2048 * 512};
    // Group 0x65: LUN settings.
    unsigned deviceChanges = 0;
    unsigned mediaChanges = 0;
    bool writeProtected = false;
    std::uint8_t lunType = 0;
    std::uint8_t lunNumber = 1;
    std::array<std::uint8_t, 5> lunId{};
    std::uint8_t logLunIndex = 0;
    std::array<std::uint8_t, 10> hiddenLunIndex{};
    // Group 0x66: firmware keys by parameter, the password and the security state.
    std::array<std::uint8_t, 256> firmwareKeys{};
    std::array<std::uint8_t, 511> password{};
    bool passwordSet = false;
    bool unlocked = false;
    unsigned failedVerifications = 0;
    // Group 0x6F.
    unsigned cacheClears = 0;
    // Group 0x80: EEPROM, firmware memory (with the flash type of its last write),
    // partition table, self test, connection, button.
    ByteMemory eeprom{0x800, 0xFF};
    ByteMemory firmwareMemory{0x10000};
    std::uint8_t firmwareFlashType = 0;
    ByteMemory partitions{0x1000};
    std::uint8_t selfTestResult = 0x00;
    std::uint8_t connection = 0;
    unsigned erases = 0;
    std::uint8_t button = 0;
    // Group 0x90: flash id, system-ready flag, system address block, flash method.
    std::array<std::uint8_t, 64> flashId{};
    std::uint8_t systemReady = 0;
    std::array<std::uint8_t, 64> sysAddressBlock{};
    std::array<std::uint8_t, 64> flashMethod{};
    // Group 0x9F: ISP segments by their 24-bit load address.
    std::map<std::uint32_t, std::vector<std::uint8_t>> ispSegments;
    unsigned ispSegmentsEnded = 0;
    // Groups 0x95, 0x50, 0x51: spare areas and blocks by address, blocks marked bad.
    std::map<std::uint32_t, std::vector<std::uint8_t>> spares;
    std::map<std::uint32_t, StoredBlock> blocks;
    std::set<std::uint32_t> badBlocks;
    unsigned systemAreaErases = 0;
};

// What a block erase reports in its status byte.
constexpr std::uint8_t kEraseDone = 0x00;
constexpr std::uint8_t kEraseFailed = 0x01;
// What a block status read reports.
constexpr std::uint8_t kBlockGood = 0xFF;
constexpr std::uint8_t kBlockMarkedBad = 0x00;

// The controller's encryption of NAND data: each byte XOR a key that is never 0.
std::uint8_t CellKey(std::size_t offset);

class ControllerCommands {
public:
    ControllerCommands();
    void Install(FlashDisk& disk);

    ControllerState Snapshot() const;
    void Change(const std::function<void(ControllerState&)>& change);
    // Whether ISP code was loaded into the controller (a segment written since power-on).
    bool IspLoaded() const;
    // The system area was erased on the flash: the system address block reads "not built".
    void SystemAreaErased();

private:
    using Handler = std::optional<ScsiAnswer> (ControllerCommands::*)(VendorRequest&);
    void On(FlashDisk& disk, std::uint8_t group, std::uint8_t sub, Handler handler);

    // Groups 0x01 and 0x02 (controller_memory.cpp).
    std::optional<ScsiAnswer> CodeRead(VendorRequest& request);
    std::optional<ScsiAnswer> DataMemory(VendorRequest& request);
    std::optional<ScsiAnswer> XdataAccess(VendorRequest& request);
    std::optional<ScsiAnswer> DeviceId(VendorRequest& request);
    std::optional<ScsiAnswer> LunConfiguration(VendorRequest& request);
    std::optional<ScsiAnswer> LunData(VendorRequest& request);
    // Groups 0x65, 0x66 and 0x6F (controller_settings.cpp).
    std::optional<ScsiAnswer> LunSetting(VendorRequest& request);
    std::optional<ScsiAnswer> Security(VendorRequest& request);
    std::optional<ScsiAnswer> CacheClear(VendorRequest& request);
    // Group 0x80 (controller_access.cpp).
    std::optional<ScsiAnswer> VendorAccess(VendorRequest& request);
    // Groups 0x90 and 0x9F (controller_system.cpp).
    std::optional<ScsiAnswer> SystemArea(VendorRequest& request);
    std::optional<ScsiAnswer> IspSegment(VendorRequest& request);
    // Groups 0x95, 0x50 and 0x51 (controller_blocks.cpp).
    std::optional<ScsiAnswer> Spare(VendorRequest& request);
    std::optional<ScsiAnswer> BlockTransfer(VendorRequest& request);
    std::optional<ScsiAnswer> BlockErase(VendorRequest& request);
    std::optional<ScsiAnswer> BlockMark(VendorRequest& request);
    std::optional<ScsiAnswer> BadBlockCheck(VendorRequest& request);
    void ForgetSystemArea();

    mutable std::mutex lock_;
    ControllerState state_;
};

} // namespace sim
