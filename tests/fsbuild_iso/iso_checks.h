// The independent judgement of an ISO volume: xorriso reads the Joliet tree back out and
// diff compares it with the source folder.
#pragma once

#include "tests/fsbuild/tool_runner.h"

#include <gtest/gtest.h>

#include <string>

namespace iso9660::testing {

inline void ExpectVolumeHoldsTree(const std::string& image, const std::string& source, const std::string& extractTo)
{
    ToolResult extract =
        RunTool({"xorriso", "-abort_on", "FAILURE", "-indev", image, "-osirrox", "on", "-extract", "/", extractTo});
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    ToolResult diff = RunTool({"diff", "-r", source, extractTo});
    EXPECT_EQ(diff.exitCode, 0) << diff.output;
}

} // namespace iso9660::testing
