#include "server/registry/safe_removal.h"

#include "platform/clock/clock.h"
#include "platform/text/text.h"
#include "server/shell/debug_line.h"

namespace portwarden {

int SafeRemoval(DEVINST disk)
{
    DEVINST device = 0;
    if (CONFIGRET found = CM_Get_Parent(&device, disk, 0); found != CR_SUCCESS) {
        DebugLine("DeviceSafeRemoval: no parent of device node %u: 0x%X", disk, found);
        return static_cast<int>(found);
    }
    int result = 0;
    for (int attempt = 1; attempt <= kRemovalAttempts; ++attempt) {
        PNP_VETO_TYPE veto = PNP_VetoTypeUnknown;
        char16_t vetoName[MAX_PATH] = {};
        const CONFIGRET ejected = CM_Request_Device_EjectW(device, &veto, vetoName, MAX_PATH, 0);
        if (ejected == CR_SUCCESS && veto == PNP_VetoTypeUnknown)
            return 1;
        DebugLine("DeviceSafeRemoval: attempt %d: 0x%X, veto %d %s", attempt, ejected, static_cast<int>(veto),
                  platform::WideToAnsi(platform::WideFieldView(vetoName, MAX_PATH)).c_str());
        result = veto != PNP_VetoTypeUnknown ? 0 : static_cast<int>(ejected);
        Sleep(kRemovalRetryMs);
    }
    return result;
}

} // namespace portwarden
