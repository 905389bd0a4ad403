#include "console/filter_driver.h"

#include "platform/debug/debug.h"
#include "platform/shell/process.h"
#include "platform/text/text.h"

bool StartFilterInstaller(const std::u16string& programFolder, bool switchOn)
{
    std::string command = "\"" + platform::WideToAnsi(programFolder) + "Driver\\RZ87XFilterInst.exe\" " + (switchOn ? "e" : "d");
    UINT started = WinExec(command.c_str(), SW_HIDE);
    if (started > 31)
        return true;
    platform::DebugPrintf("The filter-driver installer could not be started (%u): %s", started, command.c_str());
    return false;
}
