#include "sim/disk/byte_memory.h"

#include <algorithm>

namespace sim {

bool ByteMemory::Read(std::uint64_t address, std::span<std::uint8_t> out) const
{
    if (!Contains(address, out.size()))
        return false;
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(address), out.size(), out.begin());
    return true;
}

bool ByteMemory::Write(std::uint64_t address, std::span<const std::uint8_t> in)
{
    if (!Contains(address, in.size()))
        return false;
    std::copy(in.begin(), in.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(address));
    return true;
}

void ByteMemory::Fill(std::uint8_t value)
{
    std::fill(bytes_.begin(), bytes_.end(), value);
}

std::optional<ScsiAnswer> MemoryTransfer(VendorRequest& request, ByteMemory& memory, std::uint64_t address,
                                         std::size_t length, bool read)
{
    if (auto wrong = WrongPhase(request, read ? Phase::In : Phase::Out, length))
        return wrong;
    if (!memory.Contains(address, length))
        return AddressOutOfRange();
    if (read)
        memory.Read(address, request.data());
    else
        memory.Write(address, request.data());
    return Done(request);
}

} // namespace sim
