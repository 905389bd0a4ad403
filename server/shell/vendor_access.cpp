#include "server/shell/vendor_access.h"

#include "server/shell/port_device.h"

namespace portwarden {

INT VendorAccessTransfer(CVCommCMDControl& vendor, HANDLE* handles, BYTE index, bool read, BYTE sub, BYTE c11,
                         INT address, INT length, BYTE* buffer, BYTE c12, BYTE c13)
{
    if (!BufferGiven(buffer, length))
        return 0;
    return OnPortDevice(handles, index, [&](HANDLE device) {
        const auto at = static_cast<DWORD>(address);
        const auto count = static_cast<DWORD>(length);
        if (read)
            return vendor.VendorAccessRead(device, sub, c11, 0, 0, at, count, buffer, c12, c13);
        return vendor.VendorAccessWrite(device, sub, c11, 0, 0, at, count, buffer, c12, c13);
    });
}

} // namespace portwarden
