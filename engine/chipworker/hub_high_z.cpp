#include "engine/chipworker/hub_high_z.h"

#include "engine/usb/supported_devices.h"
#include "platform/clock/clock.h"
#include "platform/debug/debug.h"
#include "platform/rz960/rz960api.h"

#include <vector>

namespace {

struct HubEntry {
    WORD productId;
    WORD releaseNumber;
    BYTE generation;
};

constexpr HubEntry Hubs[6] = {
    {0x5410, 0x0D12, 3}, {0x5411, 0x0D12, 3}, {0x5420, 0x0518, 3}, {0x5421, 0x0518, 2}, {0x5430, 0x0538, 3}, {0x5431, 0x0538, 2},
};

constexpr std::array<BYTE, 1 + 6 * 7> BuildTable()
{
    std::array<BYTE, 1 + 6 * 7> table{6};
    std::size_t at = 1;
    for (const auto& hub : Hubs) {
        for (WORD value : {hub.productId, MakerVendorId, hub.releaseNumber}) {
            table[at++] = static_cast<BYTE>(value & 0xFF);
            table[at++] = static_cast<BYTE>(value >> 8);
        }
        table[at++] = hub.generation;
    }
    return table;
}

constexpr BYTE HubRegisterCommand = 0xF7;
constexpr int SearchTries = 3;
constexpr int AccessTries = 3;

// One register access, up to three tries, each after a 100 ms pause.
bool AccessHub(int hub, int direction, WORD reg, BYTE value)
{
    for (int attempt = 0; attempt < AccessTries; ++attempt) {
        Sleep(100);
        BYTE data = 0;
        if (VA_AccessReg(hub, direction, HubRegisterCommand, reg, value, &data) == 0)
            return true;
    }
    return false;
}

} // namespace

const std::array<BYTE, 1 + 6 * 7> HubEnumTable = BuildTable();

int SearchHubsSetHighZ()
{
    platform::DebugPrintf("@@@@ Support_Search_%d_Hubs", 3);
    DWORD accepted = 0;
    VA_SetIniInfo(HubEnumTable.data(), &accepted);
    std::vector<BYTE> info(VA_EnumInfoSize, 0);
    int count = 0;
    for (int attempt = 1; attempt <= SearchTries && count == 0; ++attempt) {
        VA_GetEnumInfo(info.data(), 0);
        Sleep(1000);
        count = info[0];
        if (count == 0)
            platform::DebugPrintf(" Retry_Search_Hub_Cnt_%d", attempt);
    }
    if (count == 0)
        return 0;
    platform::DebugPrintf(" %d_Hub_Find", count);
    int result = 0;
    for (int hub = 0; hub < count; ++hub) {
        if (!AccessHub(hub, VA_RegRead, 0xA9, 0)) {
            platform::DebugPrintf("Hub_Rd_Fail");
            return result;
        }
        if (!AccessHub(hub, VA_RegWrite, 0xA9, 0xF4)) {
            platform::DebugPrintf("Hub_W1_Fail");
            return result;
        }
        if (!AccessHub(hub, VA_RegWrite, 0xB1, 0x80)) {
            platform::DebugPrintf("Hub_W2_Fail");
            return result;
        }
        platform::DebugPrintf(" Hub_Set_HighZ_OK");
        result = 1;
    }
    return result;
}
