// A disk for the device tests: a sparse image file behind a loop device, optionally
// carrying an NTFS volume (mkntfs) mounted through ntfs-3g.
#pragma once

#include "loop_device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

class TestDisk {
public:
    TestDisk(const std::string& name, std::uint64_t bytes, unsigned sectorBytes = 512);
    ~TestDisk();
    TestDisk(const TestDisk&) = delete;
    TestDisk& operator=(const TestDisk&) = delete;

    bool ok() const { return loop_ && loop_->ok(); }
    std::string error() const { return loop_ ? loop_->error() : "no loop device"; }
    const std::string& image() const { return image_; }
    const std::string& node() const { return loop_->node(); }
    int loopIndex() const { return loop_->index(); }
    dev_t device() const;     // the loop device's number, 0 when it has none
    int diskNumber() const;  // as "\\.\PhysicalDrive%d" numbers it
    char driveLetter() const; // as "\\.\%c:" letters it, 0 when none

    // Formats the whole disk with mkntfs and mounts it; the mount point, or "" on failure.
    std::string MountNtfs();
    void Unmount();

private:
    std::string image_;
    std::unique_ptr<LoopDevice> loop_;
    std::string mountPoint_;
};
