// PlaySoundW for wave files: played by the ALSA command-line player ("aplay", Debian
// alsa-utils) found on PATH. Where none is installed a sound is not played and a debug
// line says so. Named system sounds (aliases) and sound resources do not exist here.
#pragma once

#include "platform/base/wintypes.h"

constexpr DWORD SND_SYNC = 0x0;
constexpr DWORD SND_ASYNC = 0x1;
constexpr DWORD SND_NODEFAULT = 0x2;
constexpr DWORD SND_ALIAS = 0x10000;
constexpr DWORD SND_FILENAME = 0x20000;
constexpr DWORD SND_RESOURCE = 0x40004;

// A null sound stops nothing and succeeds. Only SND_FILENAME sounds can be played.
BOOL PlaySoundW(LPCWSTR sound, HMODULE module, DWORD flags);
