// Runs an independent checker (fsck.fat, mtools, blkid, sfdisk, ...) and captures what it
// says and how it ends.
#pragma once

#include <string>
#include <vector>

struct ToolResult {
    int exitCode = -1;  // -1 when the tool could not be started or did not exit normally
    std::string output; // standard output and standard error, interleaved
};

ToolResult RunTool(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {});

// "name" + argv joined with blanks, for failure messages.
std::string CommandLine(const std::vector<std::string>& argv);
