// The system address block as a device hands it out: any 64 bytes decode to four
// big-endian addresses, "built" exactly when the first is not 0xFFFFFFFF, and an address
// set reads back without touching another byte.
//
// Input: the 64 bytes (zero-filled after the input's end), then a block index and an address.
#include "portwarden/sys_address_block.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    SysAddressBlock block{};
    auto* bytes = reinterpret_cast<BYTE*>(&block);
    for (std::size_t i = 0; i < sizeof block; ++i)
        bytes[i] = input.Byte();
    for (int which = 0; which < 4; ++which) {
        const BYTE* at = bytes + 4 * which;
        const DWORD expected = DWORD{at[0]} << 24 | DWORD{at[1]} << 16 | DWORD{at[2]} << 8 | at[3];
        FUZZ_CHECK(portwarden::SystemBlockAddress(block, static_cast<portwarden::SystemBlock>(which)) == expected);
    }
    const bool notBuilt = bytes[0] == 0xFF && bytes[1] == 0xFF && bytes[2] == 0xFF && bytes[3] == 0xFF;
    FUZZ_CHECK(portwarden::SystemAreaBuilt(block) == !notBuilt);

    const auto which = static_cast<portwarden::SystemBlock>(input.Byte() & 3);
    DWORD address = 0;
    for (int i = 0; i < 4; ++i)
        address = address << 8 | input.Byte();
    SysAddressBlock changed = block;
    portwarden::SetSystemBlockAddress(changed, which, address);
    FUZZ_CHECK(portwarden::SystemBlockAddress(changed, which) == address);
    const auto* after = reinterpret_cast<const BYTE*>(&changed);
    const std::size_t first = 4 * static_cast<std::size_t>(which);
    for (std::size_t i = 0; i < sizeof block; ++i)
        if (i < first || i >= first + 4)
            FUZZ_CHECK(after[i] == bytes[i]);
    return 0;
}
