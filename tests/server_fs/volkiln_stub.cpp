// A stand-in image builder for the server's file-system calls: each export appends one line
// to the file named by VOLKILN_STUB_LOG (the export, the disk or drive, and the three texts
// as it received them) and sets the status that VOLKILN_STUB_STATUSES gives for this call
// (comma-separated, one per call in order; 0 after the list ends). The server unloads the
// library after every call, so the call count lives in the log file.
#include "fsbuild/fs_build_params.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

int CallsSoFar(const char* log)
{
    std::ifstream in(log);
    int lines = 0;
    for (std::string line; std::getline(in, line);)
        ++lines;
    return lines;
}

std::int32_t ScriptedStatus(int call)
{
    const char* script = std::getenv("VOLKILN_STUB_STATUSES");
    if (script == nullptr)
        return 0;
    std::stringstream statuses(script);
    std::string status;
    for (int i = 0; std::getline(statuses, status, ','); ++i)
        if (i == call)
            return static_cast<std::int32_t>(std::stol(status));
    return 0;
}

const char* Text(const char* text)
{
    return text != nullptr ? text : "(null)";
}

int Record(const char* name, FsBuildParams* params, long target)
{
    const char* log = std::getenv("VOLKILN_STUB_LOG");
    if (log == nullptr || params == nullptr)
        return 1;
    const int call = CallsSoFar(log);
    std::ofstream(log, std::ios::app) << name << " target=" << target << " label=" << Text(params->pszLabel)
                                      << " source=" << Text(params->pszSourcePath)
                                      << " image=" << Text(params->pszImagePath) << "\n";
    params->i32Status = ScriptedStatus(call);
    return params->i32Status == 0 ? 0 : 1;
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int knlfs_CreateFileSystemImage(FsBuildParams* params)
{
    return Record("knlfs_CreateFileSystemImage", params, -1);
}

__attribute__((visibility("default"))) int knlfs_BuildDriveFileSystem(FsBuildParams* params, char letter)
{
    return Record("knlfs_BuildDriveFileSystem", params, letter);
}

__attribute__((visibility("default"))) int knlfs_BuildPhyDiskFileSystem(FsBuildParams* params, int disk)
{
    return Record("knlfs_BuildPhyDiskFileSystem", params, disk);
}

__attribute__((visibility("default"))) int knlfs_BuildPhyDiskFileSystemNoUMount(FsBuildParams* params, int disk)
{
    return Record("knlfs_BuildPhyDiskFileSystemNoUMount", params, disk);
}

__attribute__((visibility("default"))) std::uint32_t knlfs_GetFAT32RootSectorAddr(FsBuildParams* params)
{
    Record("knlfs_GetFAT32RootSectorAddr", params, -1);
    return 0x1234;
}

} // extern "C"
