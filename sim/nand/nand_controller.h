// The NAND flash behind the simulated flash-drive controller: geometry, factory-bad and
// marked-bad blocks, pages with their spare tags, the encryption each page was programmed
// under, per-block error profiles, the ISP-load gate and the virtual-block engine. Planned
// faults come from deterministic rules (fault_rules.h). It never sleeps.
//
// Attached to a FlashDisk it takes over the flash commands from the controller's stand-in
// flash: 0x90 sub 0x82 (flash id), 0x95 (spare, block read, write, erase), 0x50 (block
// marks), 0x51 (bad-block check, system-area erase) and 0xF8 (virtual-block engine).
// Everything else stays the controller's: the XDATA registers (the encryption, 0x2809,
// decides how pages are programmed and read), CPU reset, LUN configuration, ISP segments
// (loading one opens the gate), the system address block, cache clear, test commands.
#pragma once

#include "sim/disk/flash_disk.h"
#include "sim/disk/vendor_request.h"
#include "sim/nand/fault_rules.h"
#include "sim/nand/nand_store.h"

#include <array>
#include <map>
#include <mutex>

namespace sim::nand {

struct NandConfig {
    NandGeometry geometry;
    std::uint8_t encryption = 0x01;     // register 0x2809's power-on value (bit 0 = on)
    std::uint8_t flashAccess = 0x40;    // register 0x2600's power-on value
    bool requireIspLoad = false;        // flash commands refused until ISP code was loaded
    unsigned cpuResetNotReadyPolls = 2; // TEST UNIT READY polls answered NOT READY after a CPU reset
    std::uint32_t seed = 1;
};

// The controller registers the NAND model sets when attached.
constexpr std::uint16_t kFlashAccessRegister = 0x2600;

class NandController {
public:
    explicit NandController(NandConfig config);
    NandController(const NandController&) = delete;
    NandController& operator=(const NandController&) = delete;

    // The controller must outlive the disk's use of it; attached to one disk only.
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

    // What the flash holds after a test, and what the controller did around it.
    std::uint8_t Register(std::uint16_t address) const; // the controller's XDATA register
    // Every value written to the controller's register, in order.
    std::vector<std::uint8_t> RegisterWrites(std::uint16_t address) const;
    bool FactoryBad(unsigned path, unsigned block) const;
    bool MarkedBad(unsigned path, unsigned block) const;
    unsigned Erases(unsigned path, unsigned block) const;
    bool PageProgrammed(unsigned path, unsigned block, unsigned page) const;
    // The page as stored (0xFF where erased or not written), without encryption or errors.
    std::vector<std::uint8_t> PageData(unsigned path, unsigned block, unsigned page) const;
    std::string PageTag(unsigned path, unsigned block, unsigned page) const; // "" when erased
    bool PageEncrypted(unsigned path, unsigned block, unsigned page) const;
    std::array<std::uint8_t, 48> LunConfiguration() const; // the controller's
    bool ispLoaded() const;
    unsigned cpuResets() const;
    std::size_t touchedBlocks() const;
    // Flash commands received since the counts were cleared, by kind (the controller counts
    // every command it receives; these are the flash's among them).
    std::map<NandOp, unsigned> Counts() const;
    void ClearCounts();

private:
    struct Faults {
        std::optional<ScsiAnswer> answer;
        unsigned bitErrors = 0;
        bool operationFails = false;
        std::optional<std::array<std::uint8_t, 6>> spare;
    };

    std::optional<ScsiAnswer> Handle(VendorRequest& request);
    std::optional<ScsiAnswer> Dispatch(NandOp op, VendorRequest& request);
    Faults Apply(const Operation& operation);
    bool encryption() const { return xdata_ != nullptr && xdata_->EncryptionOn(); }

    ScsiAnswer FlashId(ScsiExchange& exchange);
    // Flash groups (nand_block_commands.cpp).
    ScsiAnswer CheckBlocks(ScsiExchange& exchange);
    std::optional<ScsiAnswer> EraseSystemArea(ScsiExchange& exchange);
    ScsiAnswer BlockAccess(NandOp op, ScsiExchange& exchange);
    ScsiAnswer BlockMark(NandOp op, ScsiExchange& exchange);
    ScsiAnswer ReadBlock(ScsiExchange& exchange, const NandRow& row);
    ScsiAnswer WriteBlock(ScsiExchange& exchange, const NandRow& row);
    ScsiAnswer EraseBlock(ScsiExchange& exchange, const NandRow& row);
    ScsiAnswer ReadSpare(ScsiExchange& exchange, const NandRow& row);
    ScsiAnswer WriteSpare(ScsiExchange& exchange, const NandRow& row);
    std::uint8_t CheckStatus(unsigned path, unsigned block, unsigned page) const;
    void FlipBits(std::span<std::uint8_t> data, unsigned perKiB, unsigned path, unsigned block, unsigned page) const;
    // Virtual-block engine (nand_vb_commands.cpp).
    ScsiAnswer VirtualBlocks(NandOp op, ScsiExchange& exchange);
    void ProgramVirtualBlock(unsigned block, unsigned lunOffset,
                             const std::shared_ptr<const std::vector<std::uint8_t>>& pattern);

    NandConfig config_;
    FlashDisk* disk_ = nullptr;
    mutable std::mutex lock_;
    XdataRegisters* xdata_ = nullptr; // the controller's, while one of its commands is answered
    NandStore store_;
    FaultRules faults_;
    std::shared_ptr<const std::vector<std::uint8_t>> mainFifo_;
};

// A block's tag is a system tag when it ends in "SYS" (CISSYS, ISPSYS, BBISYS, LFTSYS, ...).
bool IsSystemTag(const SpareTag& tag);

} // namespace sim::nand
