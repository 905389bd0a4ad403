// A drive's replies as the port views read them in flash-drive mode: the flash-id replies
// of chip enables 0..3 and a CIS block. Whatever the bytes, the flash has 1 to 4 channels
// and 1 to 4 chip enables, counted as the groups that repeat the reference id, and the CIS
// capacities are its big-endian fields, read without touching the block.
//
// Input: 4 x 64 bytes of flash-id replies, then the 1024 bytes of the CIS block (each
// zero-filled after the input's end).
#include "console/port_view/flash_identity.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstring>

namespace {

bool SameId(const BYTE* group, const FlashIdReply& reference)
{
    return std::memcmp(group, reference.data(), 8) == 0;
}

DWORD Be32(const BYTE* at)
{
    return DWORD{at[0]} << 24 | DWORD{at[1]} << 16 | DWORD{at[2]} << 8 | at[3];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    FlashIdReply replies[kMostChipEnables];
    for (FlashIdReply& reply : replies)
        for (BYTE& byte : reply)
            byte = input.Byte();
    const FlashIdReply& reference = replies[0];

    const int channels = FlashChannelCount(reference);
    FUZZ_CHECK(channels >= 1 && channels <= kMostFlashChannels);
    for (int group = 1; group < channels; ++group)
        FUZZ_CHECK(SameId(reference.data() + 16 * group, reference));
    if (channels < kMostFlashChannels)
        FUZZ_CHECK(!SameId(reference.data() + 16 * channels, reference));

    int chipEnables = 1;
    while (chipEnables < kMostChipEnables && ChipEnableRepeats(replies[chipEnables], channels, reference))
        ++chipEnables;
    FUZZ_CHECK(chipEnables >= 1 && chipEnables <= kMostChipEnables);
    for (int ce = 1; ce < chipEnables; ++ce)
        for (int group = 0; group < channels; ++group)
            FUZZ_CHECK(SameId(replies[ce].data() + 16 * group, reference));
    FUZZ_CHECK(ChipEnableRepeats(reference, channels, reference));

    CISImage block{};
    for (BYTE& byte : block.bytes)
        byte = input.Byte();
    const CISImage before = block;
    const CisCapacities capacities = CisBlockCapacities(block);
    FUZZ_CHECK(std::equal(std::begin(before.bytes), std::end(before.bytes), block.bytes));
    FUZZ_CHECK(capacities.physical == Be32(block.bytes + cis::kPhysicalCapacity));
    for (std::size_t lun = 0; lun < cis::kLunCount; ++lun)
        FUZZ_CHECK(capacities.luns[lun] == Be32(block.bytes + cis::kLunCapacity + 4 * lun));
    return 0;
}
