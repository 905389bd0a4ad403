#include "engine/chipworker/chip_run_thread.h"

#include "engine/chipworker/chip_jobs.h"
#include "engine/ports/port_reporter.h"
#include "engine/ports/port_thread_param.h"
#include "engine/ports/run_result.h"
#include "engine/settings/main_frame_settings.h"
#include "engine/usb/spi_opcodes.h"
#include "engine/usb/target_device.h"
#include "engine/usb/vendor_requests.h"
#include "platform/debug/debug.h"

namespace {

// Every open of chip mode takes the first supported device of the system, and the chip
// poll describes that device as port 1's. A run on another port drives that same chip:
// with one chip attached that is the one chip of the station, but with several it is
// port 1's chip, and the run would report its result on a port whose chip it never
// touched. It fails at once instead. 0 when the run has a chip, else the chips attached.
int ChipsOfOtherPorts(const PortThreadParam& param)
{
    if (param.port == kChipModePort)
        return 0;
    const int attached = CountSupportedDevices();
    return attached > 1 ? attached : 0;
}

} // namespace

DWORD ChipRunThread(LPVOID portThreadParam)
{
    const PortThreadParam& param = *static_cast<const PortThreadParam*>(portThreadParam);
    const CISSetting& settings = param.mainFrame->CisSetting;
    PortReporter reporter(param);
    reporter.PostProgress(0);
    if (const int attached = ChipsOfOtherPorts(param); attached != 0) {
        // Nothing is sent to port 1's chip, and the shared request count is left to its run.
        platform::DebugPrintf("Port %d: %d chips attached; chip mode drives the first of them, on port 1 only",
                              param.port + 1, attached);
        reporter.PostProgress(kPortProgressEnd);
        reporter.PostResultAndWait(RunResult::Fail);
        return 0;
    }

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
