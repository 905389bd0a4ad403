#include "sim/station/station_folder.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace sim {

StationFolder::StationFolder(fs::path path, fs::path programs) : path_(std::move(path)), programs_(std::move(programs))
{
    fs::remove_all(path_);
    for (const char* folder : {"system", "run", "Driver"})
        fs::create_directories(path_ / folder);
    fs::permissions(path_ / "run", fs::perms::owner_all);
    for (const char* file : {"Portwarden.ax", "Volkiln.dll", "regsvr32"})
        fs::create_symlink(programs_ / file, path_ / file);
    Write("Driver/RZ87XFilterInst", "#!/bin/sh\necho \"$1\" >> \"" + (path_ / "filter.log").string() + "\"\n");
    fs::permissions(path_ / "Driver/RZ87XFilterInst", fs::perms::owner_all);
}

std::string StationFolder::DefaultStationIni() const
{
    return "[Setting]\nDevNoView=16\nCISSettingFilePath=" + (path_ / "DefaultCIS.ini").string() + "\n";
}

std::string StationFolder::DefaultCisIni() const
{
    return "[CIS_Setting]\nFilePathOfFW=" + Firmware().string() + "\nLunTypeBitMap=0x00200000\n";
}

void StationFolder::WriteStationIni(const std::string& text) const
{
    Write("Fabrun.ini", text);
}

void StationFolder::WriteCisIni(const std::string& text) const
{
    Write("DefaultCIS.ini", text);
}

void StationFolder::WriteFirmware(std::size_t size, unsigned seed) const
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    Write("firmware.bin", bytes);
}

void StationFolder::CopyProgram(const std::string& name) const
{
    fs::copy_file(programs_ / name, path_ / name, fs::copy_options::overwrite_existing);
}

void StationFolder::SetEnvironment() const
{
    setenv("FABRUN_SYSTEM_DIR", (path_ / "system").c_str(), 1);
    setenv("FABRUN_REGISTRY", (path_ / "registry").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (path_ / "run").c_str(), 1);
}

std::string StationFolder::Read(const std::string& name) const
{
    std::ifstream in(path_ / name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void StationFolder::Write(const std::string& name, const std::string& text) const
{
    std::ofstream(path_ / name, std::ios::binary) << text;
}

} // namespace sim
