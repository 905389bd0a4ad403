#include "sim/disk/controller_commands.h"

#include "sim/disk/flash_disk.h"

#include <algorithm>

namespace sim {

namespace {

// Distinct contents for each store, so that a transfer from the wrong one shows.
template <class Bytes>
void Pattern(Bytes& bytes, std::uint8_t seed)
{
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + (i >> 8));
}

} // namespace

std::uint8_t CellKey(std::size_t offset)
{
    return static_cast<std::uint8_t>(0x80 | ((offset * 37 + 11) & 0x7F));
}

ControllerCommands::ControllerCommands()
{
    Pattern(state_.codeMemory.bytes(), 0x00);
    Pattern(state_.deviceId, 0x10);
    Pattern(state_.lunConfiguration, 0x20);
    Pattern(state_.lunId, 0x30);
    Pattern(state_.hiddenLunIndex, 0x40);
    Pattern(state_.firmwareKeys, 0x50);
    Pattern(state_.flashId, 0x60);
    Pattern(state_.flashMethod, 0x70);
    Pattern(state_.firmwareMemory.bytes(), 0x90);
    // No system area built yet: the four block addresses read 0xFFFFFFFF.
    Pattern(state_.sysAddressBlock, 0x80);
    std::fill_n(state_.sysAddressBlock.begin(), 16, 0xFF);
}

void ControllerCommands::On(FlashDisk& disk, std::uint8_t group, std::uint8_t sub, Handler handler)
{
    disk.HandleVendorCommand(group, sub, [this, handler](VendorRequest& request) {
        std::lock_guard guard(lock_);
        return (this->*handler)(request);
    });
}

void ControllerCommands::Install(FlashDisk& disk)
{
    using C = ControllerCommands;
    struct Entry {
        std::uint8_t group;
        std::initializer_list<std::uint8_t> subs;
        Handler handler;
    };
    const Entry entries[] = {
        {0x01, {0x01}, &C::CodeRead},
        {0x01, {0x02, 0x03}, &C::DataMemory},
        {0x01, {0x04, 0x05}, &C::XdataAccess},
        {0x02, {0x12}, &C::DeviceId},
        {0x02, {0x88, 0x8A}, &C::LunConfiguration},
        {0x02, {0x28, 0x2A}, &C::LunData},
        {0x65, {0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8C, 0x8D}, &C::LunSetting},
        {0x66, {0x80, 0x85, 0x86, 0x87, 0x88}, &C::Security},
        {0x6F, {0x00}, &C::CacheClear},
        {0x80, {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88}, &C::VendorAccess},
        {0x90, {0x82, 0x85, 0x86, 0x8C, 0x8D, 0x8E, 0x8F}, &C::SystemArea},
        {0x9F, {0x80, 0x81}, &C::IspSegment},
        {0x95, {0x88, 0x8A}, &C::Spare},
        {0x95, {0x89, 0x8B}, &C::BlockTransfer},
        {0x95, {0x8E}, &C::BlockErase},
        {0x50, {0x70, 0x80}, &C::BlockMark},
        {0x51, {0x00, 0x01}, &C::BadBlockCheck},
    };
    for (const Entry& entry : entries)
        for (std::uint8_t sub : entry.subs)
            On(disk, entry.group, sub, entry.handler);
}

ControllerState ControllerCommands::Snapshot() const
{
    std::lock_guard guard(lock_);
    return state_;
}

void ControllerCommands::Change(const std::function<void(ControllerState&)>& change)
{
    std::lock_guard guard(lock_);
    change(state_);
}

bool ControllerCommands::IspLoaded() const
{
    std::lock_guard guard(lock_);
    return !state_.ispSegments.empty();
}

void ControllerCommands::SystemAreaErased()
{
    std::lock_guard guard(lock_);
    ForgetSystemArea();
}

void ControllerCommands::ForgetSystemArea()
{
    std::fill_n(state_.sysAddressBlock.begin(), 16, 0xFF);
    ++state_.systemAreaErases;
}

} // namespace sim
