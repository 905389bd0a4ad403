// The pop-up closer: the language section lists the titles of other programs' dialogs that
// would block a run ("NameNo" of them, "OSPopWndowName1".. as keys); each is looked for and
// asked to close, 16 times per pass.
#include "console/main_frame.h"
#include "console/port_view/port_view.h"
#include "engine/ini/language.h"
#include "platform/popup/popup.h"
#include "platform/text/text.h"

void CPortView::CloseOSPopWindows()
{
    const CIniFile& stationIni = *frame_.ToolIni;
    const std::u16string section = LanguageSection(stationIni);
    const BYTE count = stationIni.GetHexByte(section, u"NameNo", 0);
    for (int pass = 0; pass < 16; ++pass)
        for (int k = 1; k <= count; ++k) {
            std::u16string title = stationIni.GetString(section, platform::FormatWide("OSPopWndowName%d", k), u"");
            // An empty title would match every untitled dialog.
            if (title.empty())
                continue;
            platform::ForeignWindow window = platform::FindForeignDialog(title);
            if (window != 0)
                platform::RequestCloseForeignWindow(window);
        }
}
