#include "resources/dialog_template.h"

namespace res {

extern const DialogTemplate kUfdSettingTemplate;
extern const DialogTemplate kPortView1Template;
extern const DialogTemplate kPortView4Template;
extern const DialogTemplate kPortView8Template;
extern const DialogTemplate kPortView16Template;
extern const DialogTemplate kPortView32Template;
extern const DialogTemplate kUsdSettingTemplate;
extern const DialogTemplate kFormatPageTemplate;

const DialogTemplate* FindDialogTemplate(UINT id)
{
    for (const DialogTemplate* dialog :
         {&kPortView1Template, &kPortView4Template, &kPortView8Template, &kPortView16Template, &kPortView32Template,
          &kUsdSettingTemplate, &kFormatPageTemplate, &kUfdSettingTemplate})
        if (dialog->id == id)
            return dialog;
    return nullptr;
}

} // namespace res
