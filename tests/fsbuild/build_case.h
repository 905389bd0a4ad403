// One row of the table of builds: a request to the image builder, the status it must end
// with, and the independent checkers that judge the image it leaves.
#pragma once

#include "source_trees.h"

#include "fsbuild/fs_build_params.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct BuildCase;

// What a checker looks at: the image file and where the file system sits in it.
struct BuiltImage {
    const BuildCase& row;
    std::string path;
    std::string sourceFolder;      // "" without a copied tree
    std::uint64_t areaOffset;      // bytes before the built area (a device's start sector; 0 in images)
    std::uint64_t volumeOffset;    // bytes before the file system (the partition start with an MBR)
    std::uint32_t sectorBytes;     // the file system's sector size
};

using Checker = ::testing::AssertionResult (*)(const BuiltImage& image);

struct BuildCase {
    const char* name;
    std::uint8_t fsType; // u8FsType: type, bit 6 copy, bit 7 MBR
    std::uint32_t totalSectors;
    std::int32_t bytesPerSector;
    std::uint8_t clusterExp;
    std::uint8_t reservedSectors;
    std::uint32_t devStartSector;
    const char* label;
    Tree tree;
    std::int32_t status;           // the i32Status the build must end with
    std::uint8_t sectorsPerCluster; // 0: not checked
    const std::vector<Checker>* checks; // a group defined beside its checkers
};

constexpr std::uint8_t kFat16 = 1, kFat32 = 2, kIso = 3, kNtfs = 4, kCopy = 0x40, kMbr = 0x80;

// The request of a row (the image path is used in mode 0 only).
FsBuildParams ParamsFor(const BuildCase& row, const std::string& source, const std::string& image);

// The sector size of the file system a row builds, and how far into the image file it
// starts; each file system's rule stands here.
std::uint32_t FileSystemSectorBytes(const BuildCase& row);
std::uint64_t VolumeOffset(const BuildCase& row);
// Where the built area (the master boot record with its partition) begins in an image file.
std::uint64_t ImageAreaOffset(const BuildCase& row);
// The partition type its MBR gives the row's file system, as sfdisk prints it.
const char* PartitionTypeOf(const BuildCase& row);

class LoopDevice;
// The device to hand a tool that takes no offset: the image itself, or a loop device over
// the part of it that starts at `offset` (held in `holder`). "" when none can be set up.
std::string DeviceAt(const BuiltImage& image, std::uint64_t offset, std::unique_ptr<LoopDevice>& holder,
                     std::string& error);
