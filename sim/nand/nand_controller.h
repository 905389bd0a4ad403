// The NAND side of the simulated flash-drive controller: the flash (geometry, factory-bad
// and marked-bad blocks, pages with their spare tags, the encryption each page was
// programmed under, per-block error profiles), the controller registers the flash
// procedures use, the CPU reset with its not-ready polls, the ISP-load gate and the
// virtual-block engine, answering the vendor command groups that reach them. Planned
// faults come from deterministic rules (fault_rules.h). It never sleeps.
//
// Attached to a FlashDisk it takes over these vendor groups: 0x01 (registers), 0x02
// (CPU reset, LUN configuration), 0x50 (block marks), 0x51 (bad-block check), 0x6F
// (cache clear), 0x90 (flash id), 0x95 (spare, block read, write, erase), 0x9F (ISP
// load), 0xF1 / 0xF2 (test commands), 0xF8 (virtual-block engine), and answers the disk's
// TEST UNIT READY polls while a reset is under way. Sub-commands it does not model are
// taken as the disk takes a known group: data in reads as zeros.
#pragma once

#include "sim/disk/flash_disk.h"
#include "sim/nand/fault_rules.h"
#include "sim/nand/nand_store.h"

#include <array>
#include <map>
#include <mutex>

namespace sim::nand {

struct NandConfig {
    NandGeometry geometry;
    std::uint8_t encryption = 0x01;     // register 0x2809 at power-on (bit 0 = on)
    std::uint8_t flashAccess = 0x40;    // register 0x2600
    std::uint8_t eccSetting = 0x05;     // register 0x2608
    bool requireIspLoad = false;        // flash commands refused until ISP code was loaded
    unsigned cpuResetNotReadyPolls = 2; // TEST UNIT READY polls answered NOT READY after a CPU reset
    std::uint32_t seed = 1;
};

// Where the controller registers sit.
namespace reg {
constexpr std::uint16_t kChipReset = 0x0001;
constexpr std::uint16_t kCpuControl = 0x001C;
constexpr std::uint16_t kCorePower = 0x047E;
constexpr std::uint16_t kFlashAccess = 0x2600;
constexpr std::uint16_t kEccSetting = 0x2608;
constexpr std::uint16_t kEncryption = 0x2809;
constexpr std::uint16_t kResetTrigger = 0x2311;
constexpr std::uint16_t kVbList = 0x6900;
} // namespace reg

class NandController {
public:
    explicit NandController(NandConfig config);
    NandController(const NandController&) = delete;
    NandController& operator=(const NandController&) = delete;

    // The controller must outlive the disk's use of it.
    void Attach(FlashDisk& disk);

    const NandGeometry& geometry() const { return config_.geometry; }
    unsigned Path(unsigned ce, unsigned channel) const { return ce * config_.geometry.channelCount + channel; }

    // The flash before a test runs.
    void MarkFactoryBad(unsigned path, unsigned block);
    void SetProfile(unsigned path, unsigned firstBlock, unsigned lastBlock, const BlockProfile& profile);
    // Programs a page directly (as an earlier run would have left it).
    void Program(unsigned path, unsigned block, unsigned page, const std::vector<std::uint8_t>& data,
                 const std::string& tag, bool encrypted);
    void AddFault(const FaultRule& rule);
    void SetRegister(std::uint16_t address, std::uint8_t value);

    // What the flash holds after a test.
    std::uint8_t Register(std::uint16_t address) const;
    // Every value written to the register, in order.
    std::vector<std::uint8_t> RegisterWrites(std::uint16_t address) const;
    bool FactoryBad(unsigned path, unsigned block) const;
    bool MarkedBad(unsigned path, unsigned block) const;
    unsigned Erases(unsigned path, unsigned block) const;
    bool PageProgrammed(unsigned path, unsigned block, unsigned page) const;
    // The page as stored (0xFF where erased or not written), without encryption or errors.
    std::vector<std::uint8_t> PageData(unsigned path, unsigned block, unsigned page) const;
    std::string PageTag(unsigned path, unsigned block, unsigned page) const; // "" when erased
    bool PageEncrypted(unsigned path, unsigned block, unsigned page) const;
    std::array<std::uint8_t, 48> LunConfiguration() const;
    bool ispLoaded() const;
    unsigned cpuResets() const;
    std::size_t touchedBlocks() const;
    // Commands answered, by kind.
    std::map<NandOp, unsigned> Counts() const;
    void ClearCounts();

private:
    struct Faults {
        std::optional<ScsiAnswer> answer;
        std::optional<unsigned> registerValue;
        unsigned bitErrors = 0;
        bool operationFails = false;
        std::optional<std::array<std::uint8_t, 6>> spare;
    };

    ScsiAnswer Handle(std::uint8_t group, ScsiExchange& exchange);
    bool TakeNotReadyPoll();
    Faults Apply(const Operation& operation);
    bool encryption() const { return (registers_.at(reg::kEncryption) & 1) != 0; }
    bool FlashGated(std::uint8_t group) const;

    // Register, reset, id and ISP groups (nand_controller.cpp).
    ScsiAnswer Registers(ScsiExchange& exchange);
    ScsiAnswer ConfigureLun(ScsiExchange& exchange);
    ScsiAnswer SystemAccess(ScsiExchange& exchange);
    ScsiAnswer IspAccess(ScsiExchange& exchange);
    ScsiAnswer Plain(NandOp op, ScsiExchange& exchange);
    // Flash groups (nand_block_commands.cpp).
    ScsiAnswer CheckBlocks(ScsiExchange& exchange);
    ScsiAnswer BlockAccess(ScsiExchange& exchange);
    ScsiAnswer BlockMark(ScsiExchange& exchange);
    ScsiAnswer ReadBlock(ScsiExchange& exchange, const NandRow& row);
    ScsiAnswer WriteBlock(ScsiExchange& exchange, const NandRow& row);
    ScsiAnswer EraseBlock(ScsiExchange& exchange, const NandRow& row);
    ScsiAnswer ReadSpare(ScsiExchange& exchange, const NandRow& row);
    std::uint8_t CheckStatus(unsigned path, unsigned block, unsigned page) const;
    void FlipBits(std::span<std::uint8_t> data, unsigned perKiB, unsigned path, unsigned block, unsigned page) const;
    // Virtual-block engine (nand_vb_commands.cpp).
    ScsiAnswer VirtualBlocks(ScsiExchange& exchange);
    void ProgramVirtualBlock(unsigned block, unsigned lunOffset,
                             const std::shared_ptr<const std::vector<std::uint8_t>>& pattern);

    NandConfig config_;
    mutable std::mutex lock_;
    NandStore store_;
    FaultRules faults_;
    std::map<std::uint16_t, std::uint8_t> registers_;
    std::map<std::uint16_t, std::vector<std::uint8_t>> registerWrites_;
    std::array<std::uint8_t, 48> lunConfiguration_{};
    std::shared_ptr<const std::vector<std::uint8_t>> mainFifo_;
    bool ispLoaded_ = false;
    unsigned notReadyPolls_ = 0;
    unsigned cpuResets_ = 0;
    std::map<NandOp, unsigned> counts_;
};

// A block's tag is a system tag when it ends in "SYS" (CISSYS, ISPSYS, BBISYS, LFTSYS, ...).
bool IsSystemTag(const SpareTag& tag);

} // namespace sim::nand
