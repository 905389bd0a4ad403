#include "resources/toolbar.h"

#include "resources/resource_ids.h"

namespace res {
namespace {

constexpr ToolbarButton kButtons[] = {
    {ID_FUNCTION_SETTING, IDB_SETTING, u"Setting", u"Setting"},
    {ID_FUNCTION_ENUMERATE, IDB_ENUMERATE, u"Enumate", u"Enumerate"},
    {ID_FUNCTION_DETAIL_VIEW, IDB_DETAIL_VIEW, u"DetailView", u"Detail View"},
    {ID_FUNCTION_AUTO_RUN, IDB_AUTO_RUN, u"AutoRun", u"Auto Run"},
    {ID_FUNCTION_RUN_STOP, IDB_RUN_STOP, u"RunStop", u"Run Stop"},
};

} // namespace

std::span<const ToolbarButton> MainToolbar()
{
    return kButtons;
}

} // namespace res
