#include "loop_device.h"

#include "tool_runner.h"

LoopDevice::LoopDevice(const std::string& file, std::uint64_t offset, std::uint64_t length, unsigned sectorBytes,
                       bool partitionScan)
{
    std::vector<std::string> argv{"losetup", "--find", "--show", "--sector-size", std::to_string(sectorBytes)};
    if (partitionScan)
        argv.push_back("--partscan");
    if (offset != 0)
        argv.insert(argv.end(), {"--offset", std::to_string(offset)});
    if (length != 0)
        argv.insert(argv.end(), {"--sizelimit", std::to_string(length)});
    argv.push_back(file);
    ToolResult result = RunTool(argv);
    if (result.exitCode != 0) {
        error_ = CommandLine(argv) + ": " + result.output;
        return;
    }
    node_ = result.output.substr(0, result.output.find('\n'));
}

LoopDevice::~LoopDevice()
{
    if (!node_.empty())
        RunTool({"losetup", "--detach", node_});
}

int LoopDevice::index() const
{
    return node_.rfind("/dev/loop", 0) == 0 ? std::stoi(node_.substr(9)) : -1;
}
