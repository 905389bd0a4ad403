#include "resources/dialog_template.h"

namespace res {

extern const DialogTemplate kPortView16Template;

const DialogTemplate* FindDialogTemplate(UINT id)
{
    for (const DialogTemplate* dialog : {&kPortView16Template})
        if (dialog->id == id)
            return dialog;
    return nullptr;
}

} // namespace res
