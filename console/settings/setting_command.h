// The Setting command (menu, Ctrl+S, toolbar button 0): runs the settings sheet modally.
// Cancel puts back the settings as they were, unless the page's "Save Setting" was
// pressed; every other ending saves the CIS settings.
#pragma once

class CMainFrame;

void RunSettingsSheet(CMainFrame& frame);
