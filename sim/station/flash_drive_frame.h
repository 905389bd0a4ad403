// The station's main frame as a flash-drive station runs it: the settings load always
// selects chip mode, and this frame sets FabrunMode bit 0 right after it, before the mode
// bits are applied. The bench launcher and the tests start the station with it.
#pragma once

#include "console/main_frame.h"

namespace sim {

class FlashDriveFrame : public CMainFrame {
public:
    using CMainFrame::CMainFrame;

protected:
    void OnSettingsLoaded() override { FabrunMode |= kFabrunModeFlashDrive; }
};

} // namespace sim
