// Dialog templates: each control with its id, kind, text and rectangle in dialog units.
#pragma once

#include "platform/base/wintypes.h"

#include <span>

namespace res {

enum class ControlKind { GroupBox, IconButton, ProgressBar, CheckBox, Label, Edit, PushButton, DropList, Slider };

// The id of a control that no operation addresses (a label or a frame).
constexpr UINT IDC_STATIC = 0xFFFF;

struct DialogControl {
    UINT id;
    ControlKind kind;
    const char16_t* text;
    short x, y, cx, cy; // dialog units
};

struct DialogTemplate {
    UINT id;
    short cx, cy; // dialog units
    std::span<const DialogControl> controls;
};

// nullptr for an id without a template.
const DialogTemplate* FindDialogTemplate(UINT id);

} // namespace res
