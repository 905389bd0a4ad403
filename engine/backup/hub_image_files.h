// Building "HubAnd521.Bin" and "HubAnd522.Bin" beside the program from the device firmware
// (FilePathOfFW) and the hub firmware (FilePathOfFW2) that the settings name, with the
// operator's messages. A file that is too large is cut with a message; a file that cannot
// be read, or an image that cannot be written, is reported and nothing more is done.
#pragma once

#include "engine/settings/main_frame_settings.h"

// True when the image was written.
bool BuildHubAnd521Image(const MainFrameSettings& settings);
bool BuildHubAnd522Image(const MainFrameSettings& settings);
