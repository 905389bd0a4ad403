// The firmware backup of the attached chip: restart it until it is ready, set its
// registers and the hubs, optionally back up the first part of the whole flash, back the
// firmware up to "BackUpFW.BIN" beside the program and copy that to FilePathOfFWBackup
// when it is set. Every outcome is shown to the operator. Any thread may run it: the
// messages are shown on the GUI thread.
#pragma once

#include "engine/settings/main_frame_settings.h"

// True when the firmware was backed up (and copied, when a copy was asked for).
bool BackUpFirmwareFromDevice(const MainFrameSettings& settings);
