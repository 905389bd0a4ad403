// What the block steps share.
#pragma once

#include "engine/ports/port_reporter.h"
#include "engine/ports/port_thread_param.h"
#include "engine/settings/main_frame_settings.h"
#include "portwarden/interfaces.h"

namespace blocksteps {

constexpr int kStopped = 2;

inline const CISSetting& Settings(const PortThreadParam& param)
{
    return param.mainFrame->CisSetting;
}

// The operator stopped the port: the bar goes back to 0.
inline bool StopRequested(const PortThreadParam& param, PortReporter& progress)
{
    if (param.stopRequest != 1)
        return false;
    progress.PostProgress(0);
    return true;
}

inline void Advance(PortReporter& progress, int by)
{
    progress.PostProgress(progress.Position() + by);
}

inline PackedBlockTag BlockTag(const char (&name)[7])
{
    PackedBlockTag tag{};
    for (int i = 0; i < 6; ++i)
        tag.characters[i] = name[i];
    return tag;
}

// LunTypeBitMap bit 29: the system area is built anew, so equal addresses mean none was found.
constexpr DWORD kForceFirstBuild = 1u << 29;
constexpr DWORD kDumpMemory = 1u << 26;

} // namespace blocksteps
