// Telling the operator which settings files a save could not write.
#pragma once

#include "engine/settings/main_frame_settings.h"

// Shows the files that were not written; nothing when everything was saved.
void ReportUnsavedSettings(const SettingsSaveResult& saved);
