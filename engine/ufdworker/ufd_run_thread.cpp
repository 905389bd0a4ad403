#include "engine/ufdworker/ufd_run_thread.h"

#include "engine/datablocks/block_steps.h"
#include "engine/datablocks/run_image.h"
#include "engine/ports/device_handle_table.h"
#include "engine/ports/portwarden_objects.h"
#include "engine/ports/run_result.h"
#include "engine/ufdworker/flash_drive_bits.h"
#include "engine/ufdworker/lun_images.h"
#include "engine/ufdworker/result_log.h"
#include "engine/ufdworker/stress_test.h"
#include "engine/ufdworker/system_table.h"
#include "platform/debug/debug.h"
#include "platform/msgbox/msgbox.h"

namespace {

// Each of the three retried steps is tried at most this many times more, every retry
// restarting the whole sequence.
constexpr int kRetries = 3;

// The SPI part of the boot code, from LunTypeBitMap.
int BootCodeFlash(DWORD lunTypeBitMap)
{
    if ((lunTypeBitMap & ufd::kBootCodeFlash33) != 0)
        return 0x33;
    if ((lunTypeBitMap & ufd::kBootCodeFlash34) != 0)
        return 0x34;
    if ((lunTypeBitMap & ufd::kBootCodeFlash35) != 0)
        return 0x35;
    return 0;
}

struct RetryCounters {
    int systemTable = 0;
    int cis = 0;
    int isp = 0;
};

// True when the step failed with its retry code and may run again.
bool Retry(int result, int retryCode, int& counter)
{
    if (result != retryCode || counter >= kRetries)
        return false;
    ++counter;
    return true;
}

// The steps in order until one ends the run; a retried step starts the sequence again.
int RunSequence(UfdRun& run, StressRates& rates)
{
    const DWORD skip = run.settings().TestProcedureMask;
    RetryCounters retries;
    for (;;) {
        run.progress.PostProgress(0);
        int result = RunResult::Success;
        if ((skip & ufd::kSkipSystemTable) == 0) {
            if (!FlashPartFound(run.image))
                return RunResult::FlashTypeNotSupported;
            result = BuildSystemTable(run);
            if (Retry(result, RunResult::BuildSystemTableFail, retries.systemTable))
                continue;
            if (result == RunResult::CapacityBelowSetting) {
                run.rememberedCode = result;
                result = RunResult::Success;
            } else if (result != RunResult::Success && result != RunResult::ScanBlockOnly) {
                return result;
            }
        }
        if ((skip & ufd::kSkipCis) == 0) {
            result = WriteCis(run.progress, run.param, run.device, run.image, run.systemAddressFlag, run.rememberedCode);
            if (Retry(result, RunResult::EepromCompareFail, retries.cis))
                continue;
            if (result != RunResult::Success)
                return result;
        }
        if ((skip & ufd::kSkipIspFirmware) == 0) {
            result = WriteIspFirmware(run.param, run.progress, run.device, run.image, run.systemAddressFlag);
            if (Retry(result, RunResult::FirmwareCompareFail, retries.isp))
                continue;
            if (result != RunResult::Success)
                return result;
        }
        if ((skip & ufd::kSkipBootCode) == 0) {
            result = DownloadBootCode(run.progress, run.param, run.device, BootCodeFlash(run.settings().LunTypeBitMap));
            if (result != RunResult::Success) {
                if (result != RunResult::Stopped)
                    MessageBoxW(nullptr, u"Boot Code download fail", u"Fabrun", MB_OK);
                return result;
            }
        }
        if ((skip & ufd::kSkipLunImages) == 0) {
            // A failed image step ends the run, also after warning 40: the stress test must
            // not turn it into a pass.
            result = WriteLunImages(run);
            if (result != RunResult::Success)
                return result;
        }
        if ((skip & ufd::kSkipStressTest) == 0)
            result = RunStressTest(run, rates);
        return result;
    }
}

void WriteResultLog(const UfdRun& run, int result)
{
    const MainFrameSettings& frame = run.frame();
    if ((frame.FabrunMode & ufd::kModeSerialTextFiles) != 0)
        WriteDeviceResultTextFile(run.param, result);
    else if (frame.LogIni != nullptr)
        WriteDeviceResultLog(run.param, run.rememberedCode, result);
}

} // namespace

DWORD UFDRunThread(LPVOID portThreadParam)
{
    PortThreadParam& param = *static_cast<PortThreadParam*>(portThreadParam);
    PortReporter reporter(param);
    const std::optional<BYTE> index = DeviceHandleIndex(param.port);
    if (!index || PortwardenCtrl == nullptr || PortwardenCtrl2 == nullptr) {
        platform::DebugPrintf("Port %d: no device access server for the run", param.port + 1);
        reporter.PostResultAndWait(RunResult::Fail);
        return 0;
    }
    UfdRun run{param, PortDevice{PortwardenCtrl, PortwardenCtrl2, DeviceHandleTable, *index}, reporter,
               TakeRunImage(param.mainFrame->CisSetting)};
    StressRates rates;
    run.systemAddressFlag = ReadSysBlockAddress(run);
    int result = RunSequence(run, rates);

    platform::DebugPrintf("CK1=%x", run.image.Dword(cis::kPhysicalCapacity));
    OutputDebugStringA("CK2");
    if (result == RunResult::Success)
        reporter.PostProgress(kPortProgressEnd);
    OutputDebugStringA("CK3");
    if (result != RunResult::Stopped)
        WriteResultLog(run, result);
    OutputDebugStringA("CK4");
    if (result == RunResult::ScanBlockOnly)
        result = RunResult::Success;
    OutputDebugStringA("CK5");
    reporter.PostResultAndWait(result, rates.writeRate, rates.readRate);
    OutputDebugStringA("CK6");
    return 0;
}
