// Toolbar 150: five buttons with 48 x 48 images and translated texts.
#pragma once

#include "platform/base/wintypes.h"

#include <span>

namespace res {

struct ToolbarButton {
    UINT command;
    UINT bitmap;
    const char16_t* languageKey;
    const char16_t* englishText;
};

std::span<const ToolbarButton> MainToolbar();

} // namespace res
