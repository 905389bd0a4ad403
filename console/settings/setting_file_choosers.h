// The file choosers both settings pages share: the firmware-file dialog, the backup path
// ("..." 1135 with edit 1134) and the log target ("OpenFile" 1125 with edit 1126).
#pragma once

#include <optional>
#include <string>

class CSettingPage;

struct ChosenFile {
    std::u16string path;
    std::u16string name; // name and extension
};

// An open-file dialog for a ".bin" file; `initialFolder` empty: where the last one ended.
std::optional<ChosenFile> ChooseBinFile(const std::u16string& initialFolder = {});

// The backup and log choosers and their edits:
// - "..." 1135: a save-file dialog: FilePathOfFWBackup, shown in 1134 when not empty;
//   edit 1134: FilePathOfFWBackup := its text;
// - "OpenFile" 1125: a log file, or with FabrunMode bit 0x04 the folder of the
//   per-serial-number result files: LogFilePath, shown in 1126; a chosen log file
//   becomes the frame's LogIni; edit 1126: LogFilePath := its text.
void ConnectBackupAndLogFiles(CSettingPage& page);
