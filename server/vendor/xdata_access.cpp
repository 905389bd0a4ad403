#include "server/vendor/xdata_access.h"

#include "platform/clock/clock.h"
#include "platform/debug/debug.h"

namespace vendor {
namespace {

constexpr DWORD kRetryWaitMs = 10;

} // namespace

int XdataTransfer(CVCommCMDControl& sender, HANDLE device, bool read, WORD reg, DWORD length, BYTE* buffer)
{
    auto send = [&] {
        return read ? sender.VendorRead(device, 0x04, 0, 0, reg, length, buffer)
                    : sender.VendorWrite(device, 0x05, 0, 0, reg, length, buffer);
    };
    if (send() == 1)
        return 1;
    platform::DebugPrintf(" Retry ReadWriteXdata[0x%04X]", unsigned{reg});
    Sleep(kRetryWaitMs);
    return send();
}

} // namespace vendor
