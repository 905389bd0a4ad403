// A device for fuzz targets of the server's command sequences: the SCSI pass-through
// requests sent on it are answered from the fuzzer's bytes. For every command one byte
// chooses the outcome (its low two bits: 1 = CHECK CONDITION, 2 = the call fails, else
// good), and a good data-in command takes its data from the next input bytes, one each
// (zeros past the input's end; transfers above 256 bytes from a filler the target chooses). Every command is
// recorded with its outcome. Sleeps run on a virtual clock.
#pragma once

#include "platform/base/wintypes.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace fuzz {

struct ScriptedCommand {
    std::array<std::uint8_t, 16> cdb{};
    bool dataIn = false;
    std::vector<std::uint8_t> dataOut;
    std::vector<std::uint8_t> dataInGiven;
    bool answered = false; // the call succeeded with status 0
};

class ScriptedDevice {
public:
    // Opens the device on a scratch file and takes over the pass-through control code.
    ScriptedDevice();
    ~ScriptedDevice();
    ScriptedDevice(const ScriptedDevice&) = delete;
    ScriptedDevice& operator=(const ScriptedDevice&) = delete;

    HANDLE handle() const { return handle_; }
    // The script for the next sequence; `longData` fills data-in transfers above 256 bytes.
    void Start(Input& script, std::function<void(std::vector<std::uint8_t>&)> longData = {});
    const std::vector<ScriptedCommand>& commands() const { return commands_; }

    // Answers one request (the control-code handler calls it).
    BOOL Answer(void* request, unsigned inSize, unsigned outSize);

private:
    HANDLE handle_;
    Input* script_ = nullptr;
    std::function<void(std::vector<std::uint8_t>&)> longData_;
    std::vector<ScriptedCommand> commands_;
};

} // namespace fuzz
