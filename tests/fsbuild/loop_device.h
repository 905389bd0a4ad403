// A loop device over (part of) an image file, released when it goes out of scope. The
// tests run as root, like CI.
#pragma once

#include <cstdint>
#include <string>

class LoopDevice {
public:
    // `length` 0: to the end of the file. `partitionScan`: the kernel reads its partition table.
    LoopDevice(const std::string& file, std::uint64_t offset = 0, std::uint64_t length = 0, unsigned sectorBytes = 512,
               bool partitionScan = true);
    ~LoopDevice();
    LoopDevice(const LoopDevice&) = delete;
    LoopDevice& operator=(const LoopDevice&) = delete;

    bool ok() const { return !node_.empty(); }
    const std::string& node() const { return node_; }      // "/dev/loopN"
    const std::string& error() const { return error_; }
    int index() const;                                     // N

private:
    std::string node_;
    std::string error_;
};
