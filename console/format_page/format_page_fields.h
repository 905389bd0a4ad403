// The record's path fields of each LUN, in LUN order.
#pragma once

#include "engine/settings/cis_setting.h"

struct LunPathFields {
    PackedString CISSetting::*source;
    PackedString CISSetting::*image;
};

inline constexpr LunPathFields kLunPaths[4] = {
    {&CISSetting::SourcePublicLunPath, &CISSetting::ImagePublicLunPath},
    {&CISSetting::SourceSecurityLunPath, &CISSetting::ImageSecurityLunPath},
    {&CISSetting::SourceIso9660LunPath, &CISSetting::ImageIso9660LunPath},
    {&CISSetting::SourceHiddenLunPath, &CISSetting::ImageHiddenLunPath},
};
