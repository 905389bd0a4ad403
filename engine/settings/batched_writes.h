// A save writes many keys: done as one batch, each file it changes is replaced once.
#pragma once

#include "engine/ini/ini_file.h"
#include "engine/settings/main_frame_settings.h"
#include "platform/base/lasterror.h"
#include "platform/debug/debug.h"
#include "platform/profile/profile.h"
#include "platform/text/text.h"

// Runs `writes` with a function `write(key, one)` that runs the write `one` of the key named
// `key`. A key that cannot be written (its value fits no INI line) goes into the result's
// unwritten keys with a debug line of `who`, and the other keys are still written. The file
// is replaced once, at the end; when that fails, or a key was left out, the file goes into
// the result's unwritten files. Nothing is thrown.
template <class Writes>
void SaveAsOneBatch(const char* who, const CIniFile& ini, SettingsSaveResult& result, Writes&& writes)
{
    const std::string file = platform::WideToAnsi(ini.Path());
    bool keyLeftOut = false, fileFailed = false;
    auto write = [&](std::u16string_view key, auto&& one) {
        try {
            one();
        } catch (const CIniFileException&) {
            // A refused value is the key's; any other failure (a file that cannot be read) the file's.
            if (GetLastError() == ERROR_INVALID_PARAMETER) {
                platform::DebugPrintf("%s: cannot write %s to %s", who, platform::WideToAnsi(key).c_str(),
                                      file.c_str());
                result.unwrittenKeys.emplace_back(key);
                keyLeftOut = true;
            } else {
                fileFailed = true;
            }
        }
    };
    platform::ProfileWriteBatch batch;
    writes(write);
    if (!batch.Commit())
        fileFailed = true;
    if (fileFailed)
        platform::DebugPrintf("%s: cannot write %s", who, file.c_str());
    if (fileFailed || keyLeftOut)
        result.unwrittenFiles.push_back(ini.Path());
}
