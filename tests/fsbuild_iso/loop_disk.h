// A loop device over a backing file: a real block device for builds onto drives and
// disks, with the disk number and drive letter the platform layer gives it.
#pragma once

#include "tests/fsbuild/tool_runner.h"

#include "platform/storage/disk_numbers.h"
#include "platform/storage/drive_letters.h"

#include <string>

namespace iso9660::testing {

class LoopDisk {
public:
    explicit LoopDisk(const std::string& backingFile)
    {
        ToolResult attach = RunTool({"losetup", "-f", "--show", backingFile});
        if (attach.exitCode == 0 && !attach.output.empty())
            node_ = attach.output.substr(0, attach.output.find('\n'));
        else
            error_ = attach.output;
    }
    ~LoopDisk()
    {
        if (!node_.empty())
            RunTool({"losetup", "-d", node_});
    }
    LoopDisk(const LoopDisk&) = delete;
    LoopDisk& operator=(const LoopDisk&) = delete;

    bool attached() const { return !node_.empty(); }
    const std::string& error() const { return error_; }

    int Number() const
    {
        for (const auto& disk : platform::storage::NumberedDisks())
            if (disk.disk.node == node_)
                return disk.number;
        return -1;
    }
    char Letter() const
    {
        for (const auto& volume : platform::storage::LetteredVolumes())
            if (volume.volume.device.node == node_)
                return volume.letter;
        return 0;
    }

private:
    std::string node_;
    std::string error_;
};

} // namespace iso9660::testing
