// The main of the fuzz targets in the default build: feeds every file named on the command
// line, and every file in every folder named there, to the target once. A property that does
// not hold stops the run with the input's name on stderr.
#include "tests/fuzz/support/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> inputs;
    for (int at = 1; at < argc; ++at) {
        std::filesystem::path named(argv[at]);
        if (std::filesystem::is_directory(named)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(named))
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
        } else {
            inputs.push_back(named);
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s <corpus folder or input file>... (found no input)\n", argv[0]);
        return 2;
    }
    std::sort(inputs.begin(), inputs.end());
    for (const auto& path : inputs) {
        std::fprintf(stderr, "input %s\n", path.c_str());
        std::string bytes = fuzz::ReadFile(path.string());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
