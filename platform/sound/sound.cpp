#include "platform/sound/sound.h"

#include "platform/base/handle.h"
#include "platform/debug/debug.h"
#include "platform/shell/process.h"
#include "platform/sync/sync.h"
#include "platform/text/text.h"

#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {

// The player's full path, or empty.
std::string FindPlayer()
{
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "";
    while (!folders.empty()) {
        std::string_view folder = folders.substr(0, folders.find(':'));
        folders.remove_prefix(std::min(folders.size(), folder.size() + 1));
        std::string candidate = std::string(folder) + "/aplay";
        if (!folder.empty() && access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

} // namespace

BOOL PlaySoundW(LPCWSTR sound, HMODULE, DWORD flags)
{
    if (sound == nullptr)
        return TRUE;
    std::string name = platform::WideToUtf8(sound);
    if ((flags & SND_FILENAME) == 0 || (flags & SND_RESOURCE) == SND_RESOURCE) {
        platform::DebugPrintf("PlaySound: only sound files can be played here, not \"%s\"", name.c_str());
        return FALSE;
    }
    static const std::string player = FindPlayer();
    if (player.empty()) {
        platform::DebugPrintf("PlaySound: no sound player (aplay) is installed; \"%s\" not played", name.c_str());
        return FALSE;
    }
    std::u16string command = platform::Utf8ToWide("\"" + player + "\" -q \"" + name + "\"");
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &started)) {
        platform::DebugPrintf("PlaySound: the player could not be started for \"%s\"", name.c_str());
        return FALSE;
    }
    DWORD exitCode = 0;
    bool played = true;
    if ((flags & SND_ASYNC) == 0) {
        played = WaitForSingleObject(started.hProcess, INFINITE) == WAIT_OBJECT_0 &&
                 GetExitCodeProcess(started.hProcess, &exitCode) && exitCode == 0;
        if (!played)
            platform::DebugPrintf("PlaySound: \"%s\" was not played (player exit code %u)", name.c_str(), exitCode);
    }
    CloseHandle(started.hProcess);
    return played ? TRUE : FALSE;
}
