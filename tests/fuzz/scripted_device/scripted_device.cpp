#include "tests/fuzz/scripted_device/scripted_device.h"

#include "platform/base/lasterror.h"
#include "platform/clock/clock.h"
#include "platform/devio/devio.h"
#include "platform/devio/scsi_passthrough.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <unistd.h>

namespace fuzz {
namespace {

constexpr std::size_t kLongTransfer = 256;

ScriptedDevice* current = nullptr;

BOOL Handler(platform::FileObject&, DWORD, LPVOID in, DWORD inSize, LPVOID, DWORD outSize, LPDWORD)
{
    return current->Answer(in, inSize, outSize);
}

} // namespace

ScriptedDevice::ScriptedDevice()
{
    static platform::ScopedVirtualClock clock;
    platform::RegisterIoctlHandler(IOCTL_SCSI_PASS_THROUGH, Handler);
    // A file of its own, gone from the folder as soon as it is open.
    std::string path = (access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm") : std::filesystem::temp_directory_path().string()) +
                       "/fabrun-scripted-device-XXXXXX";
    const int fd = mkstemp(path.data());
    if (fd < 0)
        throw std::runtime_error("no file for the scripted device");
    ::close(fd);
    handle_ = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ::unlink(path.c_str());
    if (handle_ == INVALID_HANDLE_VALUE)
        throw std::runtime_error("the scripted device cannot be opened");
    current = this;
}

ScriptedDevice::~ScriptedDevice()
{
    CloseHandle(handle_);
    current = nullptr;
}

void ScriptedDevice::Start(Input& script, std::function<void(std::vector<std::uint8_t>&)> longData)
{
    script_ = &script;
    longData_ = std::move(longData);
    commands_.clear();
}

BOOL ScriptedDevice::Answer(void* request, unsigned inSize, unsigned outSize)
{
    auto* bytes = static_cast<std::uint8_t*>(request);
    SCSI_PASS_THROUGH header;
    std::memcpy(&header, bytes, sizeof header);
    ScriptedCommand command;
    std::copy(header.Cdb, header.Cdb + 16, command.cdb.begin());
    command.dataIn = header.DataIn == SCSI_IOCTL_DATA_IN;
    const std::size_t length = header.DataTransferLength;
    if (header.DataIn == SCSI_IOCTL_DATA_OUT && header.DataBufferOffset + length <= inSize)
        command.dataOut.assign(bytes + header.DataBufferOffset, bytes + header.DataBufferOffset + length);
    const std::uint8_t outcome = script_->Byte() & 0x03;
    if (outcome == 2) {
        commands_.push_back(std::move(command));
        SetLastError(ERROR_IO_DEVICE);
        return FALSE;
    }
    header.ScsiStatus = outcome == 1 ? 2 : 0;
    if (outcome != 1 && command.dataIn && header.DataBufferOffset + length <= outSize) {
        command.dataInGiven.assign(length, 0);
        if (length > kLongTransfer && longData_) {
            longData_(command.dataInGiven);
        } else {
            for (std::uint8_t& byte : command.dataInGiven)
                byte = script_->Byte();
        }
        std::copy(command.dataInGiven.begin(), command.dataInGiven.end(), bytes + header.DataBufferOffset);
    }
    command.answered = outcome != 1;
    std::memcpy(bytes, &header, sizeof header);
    commands_.push_back(std::move(command));
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

} // namespace fuzz
