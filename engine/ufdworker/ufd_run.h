// One flash-drive run as its steps share it: the port's start record and device, the
// settings, the progress reporter, the run's own copy of the CIS image and what the steps
// hand on to each other. It lives on the worker's stack for the whole run.
#pragma once

#include "engine/cis/cis_image.h"
#include "engine/ports/port_device.h"
#include "engine/ports/port_reporter.h"
#include "engine/ports/port_thread_param.h"
#include "engine/settings/main_frame_settings.h"
#include "fsbuild/fs_build_params.h"

struct UfdRun {
    PortThreadParam& param;
    PortDevice device;
    PortReporter& progress;
    // The device's block addresses, flash tables and physical capacity go here, never into
    // the settings' image that every port shares.
    CISImage image;
    int systemAddressFlag = 0; // 1 once the device's CIS and ISP block addresses are known
    int rememberedCode = 0;    // 0, or the warning the run goes on with (39, 40)
    // A LUN built on the device: its view animates the bar from the request's progress
    // byte until it handles the animation's end, so the request lives as long as the run.
    FsBuildParams lunBuild{};

    const MainFrameSettings& frame() const { return *param.mainFrame; }
    const CISSetting& settings() const { return param.mainFrame->CisSetting; }

    // The operator stopped the port: the bar goes back to 0.
    bool StopRequested()
    {
        if (param.stopRequest != 1)
            return false;
        progress.PostProgress(0);
        return true;
    }
    void Advance(int by) { progress.PostProgress(progress.Position() + by); }
};
