// A fixed-size memory of a device model (firmware memory, an EEPROM, a register page):
// transfers that would run past its end are refused whole.
#pragma once

#include "sim/disk/vendor_request.h"

#include <cstdint>
#include <span>
#include <vector>

namespace sim {

class ByteMemory {
public:
    explicit ByteMemory(std::size_t size, std::uint8_t fill = 0) : bytes_(size, fill) {}

    std::size_t size() const { return bytes_.size(); }
    bool Contains(std::uint64_t address, std::size_t length) const { return address + length <= bytes_.size(); }
    bool Read(std::uint64_t address, std::span<std::uint8_t> out) const;
    bool Write(std::uint64_t address, std::span<const std::uint8_t> in);
    void Fill(std::uint8_t value);
    std::vector<std::uint8_t>& bytes() { return bytes_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// A transfer of `length` bytes between a vendor command's data and `memory` at `address`,
// in the direction `read` says; the data phase must carry exactly `length` bytes, and a
// transfer past the memory's end is refused.
std::optional<ScsiAnswer> MemoryTransfer(VendorRequest& request, ByteMemory& memory, std::uint64_t address,
                                         std::size_t length, bool read);

} // namespace sim
