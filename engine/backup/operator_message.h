// The backup button's messages to the operator, in the operator's language where they
// have a caption key.
#pragma once

#include "engine/settings/main_frame_settings.h"
#include "platform/base/wintypes.h"

#include <string>
#include <string_view>

void ShowBackupMessage(std::u16string_view text, UINT type = 0);
// The text of `key` in the language section of the station INI, or `english`.
std::u16string BackupCaption(const MainFrameSettings& settings, std::u16string_view key, std::u16string_view english);
