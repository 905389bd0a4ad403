// Disk and volume control codes with their Windows records (natural alignment, as the
// Windows headers lay them out on 64-bit), served for "\\.\PhysicalDrive%d" and volume
// handles by the block-device handlers of this library.
#pragma once

#include "platform/base/wintypes.h"

#include <cstddef>

constexpr DWORD IOCTL_DISK_GET_DRIVE_GEOMETRY = 0x00070000;
constexpr DWORD IOCTL_DISK_GET_DRIVE_GEOMETRY_EX = 0x000700A0;
constexpr DWORD IOCTL_DISK_GET_LENGTH_INFO = 0x0007405C;
constexpr DWORD IOCTL_DISK_UPDATE_PROPERTIES = 0x00070140;
constexpr DWORD IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS = 0x00560000;
constexpr DWORD IOCTL_STORAGE_GET_DEVICE_NUMBER = 0x002D1080;
constexpr DWORD FSCTL_LOCK_VOLUME = 0x00090018;
constexpr DWORD FSCTL_UNLOCK_VOLUME = 0x0009001C;
constexpr DWORD FSCTL_DISMOUNT_VOLUME = 0x00090020;

constexpr DWORD FILE_DEVICE_DISK = 0x00000007;

constexpr DWORD RemovableMedia = 11;
constexpr DWORD FixedMedia = 12;

struct DISK_GEOMETRY {
    LARGE_INTEGER Cylinders;
    DWORD MediaType;
    DWORD TracksPerCylinder;
    DWORD SectorsPerTrack;
    DWORD BytesPerSector;
};

struct DISK_GEOMETRY_EX {
    DISK_GEOMETRY Geometry;
    LARGE_INTEGER DiskSize;
    BYTE Data[1];
};

struct GET_LENGTH_INFORMATION {
    LARGE_INTEGER Length;
};

struct DISK_EXTENT {
    DWORD DiskNumber;
    LARGE_INTEGER StartingOffset;
    LARGE_INTEGER ExtentLength;
};

struct VOLUME_DISK_EXTENTS {
    DWORD NumberOfDiskExtents;
    DISK_EXTENT Extents[1];
};

struct STORAGE_DEVICE_NUMBER {
    DWORD DeviceType;
    DWORD DeviceNumber;    // the physical drive
    DWORD PartitionNumber; // 0 for the whole disk
};
static_assert(sizeof(DISK_GEOMETRY) == 24 && sizeof(DISK_GEOMETRY_EX) == 40);
static_assert(sizeof(DISK_EXTENT) == 24 && sizeof(VOLUME_DISK_EXTENTS) == 32);
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == 12);
// What IOCTL_DISK_GET_DRIVE_GEOMETRY_EX returns: the geometry and the size, no detection data.
constexpr DWORD kGeometryExBytes = offsetof(DISK_GEOMETRY_EX, Data);
