#include "resources/strings.h"

#include "resources/resource_ids.h"

namespace res {
namespace {

struct StringEntry {
    UINT id;
    std::u16string_view text;
};

constexpr StringEntry kStrings[] = {
    {IDP_OLE_INIT_FAILED, u"OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
    {ID_INDICATOR_TOTAL, u"Total test device count"},
    {ID_INDICATOR_PASS, u"Test pass device count"},
    {ID_INDICATOR_FAIL, u"Test fail device count"},
    {IDR_MAINFRAME, u"Fabrun\n\nFabrun\n\n\nFabrun.Document\nFabrun.Document"},
    {IDS_APP_TITLE, u"Fabrun"},
    {IDS_IDLE_MESSAGE, u"Ready"},
};

} // namespace

std::u16string_view LoadStringResource(UINT id)
{
    for (const StringEntry& entry : kStrings)
        if (entry.id == id)
            return entry.text;
    return {};
}

} // namespace res
