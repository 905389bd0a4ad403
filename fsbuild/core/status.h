// Status codes a caller sees in FsBuildParams::i32Status, and the result codes the FAT and
// ISO builders return to the dispatcher.
#pragma once

#include <cstdint>

// i32Status after a build export.
constexpr std::int32_t kStatusSuccess = 0;
constexpr std::int32_t kStatusFailed = 1;          // set on entry; NTFS build or copy step failed
constexpr std::int32_t kStatusFatFailed = 32;      // no cluster size fits, FAT builder failed, wrong type
constexpr std::int32_t kStatusIsoFailed = 33;
constexpr std::int32_t kStatusLabelTooLong = 34;
constexpr std::int32_t kStatusInvalidRequest = 35; // bad parameters, unlistable or oversized tree, unreadable file

// Builder results.
constexpr int FS_STATUS_SUCCESS = 0;
constexpr int FS_STATUS_CLUSTER_SIZE_ERROR = 1;
constexpr int FS_STATUS_TYPE_ERROR = 2;
constexpr int FS_STATUS_WRITE_FAIL = 3;
constexpr int FS_STATUS_READ_FAIL = 4;
constexpr int FS_STATUS_SEEK_FAIL = 5;
constexpr int FS_STATUS_NO_MEMORY = 6;
constexpr int FS_STATUS_IMAGEPATH_ERROR = 7;

// "FS_STATUS_SEEK_FAIL" and so on, for the builders' debug lines.
const char* FsStatusName(int result);
