// DumpCisToFile: the debug dump of the image that goes to the device.
#include "engine/datablocks/block_steps.h"
#include "engine/settings/main_frame_settings.h"
#include "platform/debug/debug.h"
#include "platform/text/text.h"

#include <filesystem>
#include <fstream>
#include <mutex>

int DumpCisToFile(const PortThreadParam& param, const CISImage& image)
{
    // Ports dump into the same file: one at a time, so the file is always one whole image.
    static std::mutex dumping;
    std::lock_guard lock(dumping);
    const std::string folder = platform::WideToAnsi(param.mainFrame->DebugFilePath) + "FW/";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::ofstream file(folder + "CIS.txt", std::ios::binary | std::ios::trunc);
    if (error || !file.write(reinterpret_cast<const char*>(image.bytes), sizeof image.bytes) || !file.flush()) {
        platform::DebugPrintf("Port %d: CIS dump %sCIS.txt not written", param.port, folder.c_str());
        return 0;
    }
    return 1;
}
