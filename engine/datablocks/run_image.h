// The CIS image of one flash-drive run. Each run works on its own copy of the settings'
// image, so that one port's block addresses, flash tables and capacity never reach another
// port's device.
#pragma once

#include "engine/cis/cis_image.h"
#include "engine/settings/cis_setting.h"

// A copy of the settings' image as it stands, taken under CisImageLock.
CISImage TakeRunImage(const CISSetting& settings);
