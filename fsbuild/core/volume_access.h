// Finding, locking and releasing the volumes and disks a build writes to.
#pragma once

#include "fsbuild/core/build_context.h"

#include "platform/base/wintypes.h"

// FSCTL_LOCK_VOLUME, up to `attempts` tries `pauseMs` apart: 0, or -1.
int LockVolumeAttempts(HANDLE volume, int attempts, DWORD pauseMs);
// The builders' lock: up to 6 attempts 200 ms apart.
int LockVolumeRetry(HANDLE volume);

// Opens "\\.\%c:" and the physical drive it lies on (the last extent's disk), and locks
// the volume. Result: the physical drive's handle, or INVALID_HANDLE_VALUE (then nothing
// stays open). `locked` tells whether the lock was taken.
HANDLE OpenDriveVolume(char letter, HANDLE& volume, int& diskNumber, bool& locked);

// The first volume lying wholly on the disk, opened for reading and writing, or
// INVALID_HANDLE_VALUE.
HANDLE GetVolumeHandleOfDisk(int diskNumber);

// The drive letter of a volume with exactly one extent on the disk, looked for up to 11
// times 300 ms apart; 0xFF when none appears.
char FindDriveLetterOfDisk(int diskNumber);

// The end of every build: dismount (not in mode 3), notify and unlock the volume when the
// build holds its lock (ctx.bVolumeLocked), and close it; re-read the disk's properties (modes 1 and 2); close the target. 0, or -1.
int RefreshAndUnlockVolume(FsBuildContext& ctx);
