// The system's language, written to the debug output when the CIS settings are loaded.
#pragma once

void ReportSystemLanguage();
