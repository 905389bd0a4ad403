// The copy step of an NTFS build: the source folder is copied through the file system onto
// the freshly formatted drive.
#pragma once

#include "fsbuild/core/build_context.h"

#include <cstdint>
#include <string>

// Creates a folder and each missing parent; the walk stops at the drive designator.
bool CreateDirectoryTree(const std::string& path);

// Copies the folder `source` into `destination` (files flushed, their sizes added to the
// progress). Every file must arrive: the first file or folder that cannot be copied ends
// the copy with failure.
bool CopySourceTree(FsBuildContext& ctx, const std::string& source, const std::string& destination);

// After a successful NTFS format with the copy bit: finds the drive of the new volume and
// copies the source folder to its root. Result: kStatusSuccess, or kStatusFailed.
std::int32_t CopySourceToBuiltVolume(FsBuildContext& ctx);
