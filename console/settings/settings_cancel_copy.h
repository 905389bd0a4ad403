// What the Setting command keeps so that Cancel can put the settings back as they were
// before the sheet opened: the whole record, the CIS settings file and its INI object.
#pragma once

#include "engine/settings/cis_setting.h"

#include <optional>
#include <string>

class CMainFrame;

class SettingsCancelCopy {
public:
    explicit SettingsCancelCopy(const CMainFrame& frame);

    // `serialWrittenBySheet`: the serial number the sheet's page wrote last. A serial
    // number that something else (a worker) advanced meanwhile is kept: giving the old one
    // back would hand out numbers again.
    void Restore(CMainFrame& frame, std::optional<ULONGLONG> serialWrittenBySheet) const;

private:
    CISSetting record_;
    std::u16string cisSettingFilePath_;
    bool autoRunFlag_;
};
