// The independent reader of image trailers (image_trailer.py beside the tests).
#pragma once

#include "tool_runner.h"

#include <string>

inline std::string TrailerSeenByScript(const std::string& image)
{
    ToolResult result = RunTool({FABRUN_PYTHON3, TRAILER_SCRIPT, "read", image});
    if (result.exitCode != 0)
        return "script failed: " + result.output;
    while (!result.output.empty() && result.output.back() == '\n')
        result.output.pop_back();
    return result.output;
}

inline bool TrailerWrittenByScript(const std::string& image, unsigned type, unsigned start, unsigned sectors)
{
    return RunTool({FABRUN_PYTHON3, TRAILER_SCRIPT, "append", image, std::to_string(type), std::to_string(start),
                    std::to_string(sectors)})
               .exitCode == 0;
}
