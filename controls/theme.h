// What decides the look of the owner-drawn controls: the Windows version code and the
// classic desktop theme. This platform is no Windows version of the list, so the code is
// the one of every NT version after XP (1) and the menus draw the classic look. The
// desktop theme is the Qt style: Qt's "Windows" style is the classic theme.
#pragma once

#include <string_view>

enum WinVersionKind : int {
    kWin32s = 0,
    kWinNtOther = 1,
    kWin95 = 2,
    kWin98 = 3,
    kWinMe = 4,
    kWinNt4 = 5,
    kWin2000 = 6,
    kWinXp = 7,
};

int GetWinVersionKind();

// Set once at start-up from GetWinVersionKind; the menus read it for their look.
extern int MenuWinVersion;

// 1 when the application's style is the classic one; asked once per process.
int IsClassicTheme();
// The rule applied to a style name: "Windows" in any letter case.
bool IsClassicStyleName(std::string_view styleName);
