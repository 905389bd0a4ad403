// The settings load and save under a CIS settings file of any bytes: a save writes every
// key it can (each key is in the saved file or reported as one whose value no line can
// hold) and reports a file only when it left a key out; what it saved loads back to the
// same settings (saved again, every key holds what the first save's file reads as); saved in
// place, every key it wrote reads back the same.
//
// Input: the CIS settings file's bytes.
#include "engine/settings/cis_setting_keys.h"
#include "engine/settings/main_frame_settings.h"
#include "platform/profile/ini_document.h"
#include "platform/text/text.h"
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <map>

namespace {

struct Files {
    std::string folder = fuzz::ScratchFolder() + "/";
    std::string station = folder + "Fabrun.ini";
    std::string cis = folder + "cis.ini";
    std::string savedAs = folder + "saved.ini";
    std::string savedAgain = folder + "saved-again.ini";
};

std::u16string Wide(const std::string& path)
{
    return std::u16string(path.begin(), path.end()); // scratch paths are ASCII
}

// Loads the station as it starts, with the CIS settings file `cis`.
void Load(MainFrameSettings& settings, const Files& files, const std::string& cis)
{
    fuzz::WriteFile(files.station, "[Setting]\r\nCISSettingFilePath=" + cis + "\r\n");
    settings.LoadSettings();
    FUZZ_CHECK(settings.CisIni != nullptr && settings.CisIni->Path() == Wide(cis));
}

SettingsSaveResult SaveAs(MainFrameSettings& settings, const std::string& path)
{
    std::remove(path.c_str());
    settings.CisIni = std::make_unique<CIniFile>(Wide(path));
    return settings.SaveCISSettings();
}

bool Reported(const SettingsSaveResult& result, std::u16string_view key)
{
    return std::find(result.unwrittenKeys.begin(), result.unwrittenKeys.end(), key) != result.unwrittenKeys.end();
}

void CheckEveryKeyWritten(const SettingsSaveResult& result, const std::string& path)
{
    auto saved = platform::profile::IniDocument::Parse(fuzz::ReadFile(path));
    for (const CisSettingKey* key : CisSettingSaveOrder()) {
        const char16_t* name = KeyName(*key, false);
        bool reported = Reported(result, name);
        FUZZ_CHECK(saved.Find(kCisSettingSection, name).has_value() != reported);
        FUZZ_CHECK(!reported || key->form == KeyForm::Text);
    }
    FUZZ_CHECK(result.unwrittenFiles.empty() == result.unwrittenKeys.empty());
}

// The values as a file written from scratch by a save holds them: "key=value" lines.
std::map<std::u16string, std::u16string> RawValues(const std::string& path)
{
    std::map<std::u16string, std::u16string> values;
    std::u16string text = platform::AnsiToWide(fuzz::ReadFile(path));
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find(u"\r\n", at);
        std::u16string line = text.substr(at, end - at);
        if (auto equals = line.find(u'='); equals != std::u16string::npos && !line.starts_with(u'['))
            values.emplace(line.substr(0, equals), line.substr(equals + 1));
        at = end == std::u16string::npos ? text.size() : end + 2;
    }
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const Files files;
    fuzz::WriteFile(files.cis, std::string_view(reinterpret_cast<const char*>(data), size));

    MainFrameSettings loaded(Wide(files.folder));
    Load(loaded, files, files.cis);
    SettingsSaveResult first = SaveAs(loaded, files.savedAs);
    CheckEveryKeyWritten(first, files.savedAs);
    auto firstSave = platform::profile::IniDocument::Parse(fuzz::ReadFile(files.savedAs));

    // What was saved loads back: saved again, each key holds what the first file reads as.
    MainFrameSettings reloaded(Wide(files.folder));
    Load(reloaded, files, files.savedAs);
    SettingsSaveResult again = SaveAs(reloaded, files.savedAgain);
    CheckEveryKeyWritten(again, files.savedAgain);
    auto raw = RawValues(files.savedAgain);
    for (const CisSettingKey* key : CisSettingSaveOrder()) {
        const char16_t* name = KeyName(*key, false);
        if (!Reported(first, name))
            FUZZ_CHECK(raw[name] == firstSave.Find(kCisSettingSection, name).value());
    }

    // Saved in place, in the file's own encoding, every key written reads back the same.
    loaded.CisIni = std::make_unique<CIniFile>(Wide(files.cis));
    SettingsSaveResult inPlace = loaded.SaveCISSettings();
    FUZZ_CHECK(inPlace.unwrittenFiles.empty() == inPlace.unwrittenKeys.empty());
    auto inPlaceFile = platform::profile::IniDocument::Parse(fuzz::ReadFile(files.cis));
    for (const CisSettingKey* key : CisSettingSaveOrder()) {
        const char16_t* name = KeyName(*key, false);
        if (!Reported(first, name) && !Reported(inPlace, name))
            FUZZ_CHECK(inPlaceFile.Find(kCisSettingSection, name) == firstSave.Find(kCisSettingSection, name));
    }
    return 0;
}
