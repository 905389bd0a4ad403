#include "engine/chipworker/chip_run_thread.h"

#include "engine/chipworker/chip_jobs.h"
#include "engine/ports/port_reporter.h"
#include "engine/ports/port_thread_param.h"
#include "engine/settings/main_frame_settings.h"
#include "engine/usb/spi_opcodes.h"
#include "engine/usb/vendor_requests.h"
#include "platform/debug/debug.h"

DWORD ChipRunThread(LPVOID portThreadParam)
{
    const PortThreadParam& param = *static_cast<const PortThreadParam*>(portThreadParam);
    const CISSetting& settings = param.mainFrame->CisSetting;
    PortReporter reporter(param);
    reporter.PostProgress(0);

    const BYTE spiType = SpiTypeFromLunTypeBitMap(settings.LunTypeBitMap);
    IdentifyChip(settings);
    WritePreamble();
    int result;
    if (settings.BurnInCycle != 0)
        result = RunCycles("  Special BurnIn Mode", "------> BurnIn_Cycle %d OK ", CheckSpiContent, settings.BurnInCycle, reporter);
    else if (settings.PowerOnOffCycle != 0)
        result = RunCycles("  Special PowerOnOff Mode", "------> PowerOnOff_Cycle %d OK ", WaitPowerCycle,
                           settings.PowerOnOffCycle, reporter);
    else
        result = RunNormalJob(param, spiType);

    platform::DebugPrintf("--------> VDR_CMD_Cnt = %d", VdrCommandCount.exchange(0));
    reporter.PostProgress(kPortProgressEnd);
    reporter.PostResultAndWait(result);
    return 0;
}
