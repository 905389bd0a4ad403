#include "engine/usb/spi_wait.h"

#include "engine/usb/vendor_requests.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

#include <algorithm>

namespace {
constexpr int MaxStatusPolls = 30000;
constexpr BYTE WriteInProgress = 0x01;
constexpr BYTE WriteEnableLatch = 0x02;
} // namespace

int WaitSpiReady(usb_dev_handle* handle, BYTE statusOpcode, DWORD pollIntervalMs)
{
    int cleanInARow = 0;
    for (int poll = 1; poll <= MaxStatusPolls; ++poll) {
        BYTE status = 0;
        if (!SPI_Read(handle, statusOpcode, &status))
            return 0;
        cleanInARow = (status & (WriteInProgress | WriteEnableLatch)) ? 0 : cleanInARow + 1;
        if (cleanInARow == 2) {
            if (poll > 2)
                platform::DebugPrintf("  Wait_Cnt=%d\n", poll);
            return 1;
        }
        Sleep(pollIntervalMs);
    }
    return 0;
}

DWORD BlankCheckSpan(BYTE target)
{
    return target == SpiTargetPD1 ? 0x10000 : 0x20000;
}

int CheckSpiBlank(std::span<BYTE> buffer, usb_dev_handle* handle, BYTE readOpcode, BYTE chunk, BYTE target)
{
    static const char* const Lines[] = {"\t  Chk_Hub_0xFF", "\t  Chk_PD1_0xFF", "\t  Chk_PD2_0xFF"};
    platform::DebugPrintf("%s", Lines[std::min<BYTE>(target, 2)]);
    const DWORD span = std::min<DWORD>(BlankCheckSpan(target), static_cast<DWORD>(buffer.size()));
    for (DWORD address = 0; address < span; address += chunk) {
        const WORD length = static_cast<WORD>(std::min<DWORD>(chunk, span - address));
        if (!SPI_Read_Data(address, handle, readOpcode, address, length, buffer.data(), target)) {
            platform::DebugPrintf("\t  FW_Read_Error");
            return 7;
        }
    }
    const auto first = std::find_if(buffer.begin(), buffer.begin() + span, [](BYTE b) { return b != 0xFF; });
    if (first == buffer.begin() + span)
        return 1;
    // Four bytes from the first one that is not erased; none past the span.
    const DWORD at = static_cast<DWORD>(first - buffer.begin());
    for (DWORD i = at; i < at + 4 && i < span; ++i)
        platform::DebugPrintf("  SPI_Erase_NOT_0xFF_AT_0x%06X, 0x%02X", i, buffer[i]);
    return 14;
}
