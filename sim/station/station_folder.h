// A station's program folder on the bench, so that the station writes nothing into the
// build's program folder: links to the built server files and regsvr32, a filter-driver
// installer that records each call in "filter.log", the station INI and the CIS settings
// INI, and a firmware file for the chip. The system folder, the registry store and the
// runtime folder are the folder's own, set through the environment.
#pragma once

#include <filesystem>
#include <string>

namespace sim {

class StationFolder {
public:
    // Creates `path` (emptied first) next to the programs in `programs`.
    StationFolder(std::filesystem::path path, std::filesystem::path programs);

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Firmware() const { return path_ / "firmware.bin"; }

    // The INI files as the station reads them; the defaults show the 16-port view and
    // download Firmware().
    std::string DefaultStationIni() const;
    std::string DefaultCisIni() const;
    void WriteStationIni(const std::string& text) const;
    void WriteCisIni(const std::string& text) const;
    void WriteFirmware(std::size_t size, unsigned seed) const;
    // A copy of a program of the build, so that its own folder is this one.
    void CopyProgram(const std::string& name) const;

    // FABRUN_SYSTEM_DIR, FABRUN_REGISTRY and XDG_RUNTIME_DIR of this folder.
    void SetEnvironment() const;

    std::string Read(const std::string& name) const;
    void Write(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path path_;
    std::filesystem::path programs_;
};

} // namespace sim
