#include "fat_checkers.h"

#include "loop_device.h"
#include "tool_runner.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;

namespace {

const std::vector<std::string> kToolEnvironment{"LC_ALL=C.UTF-8", "TZ=UTC"};

bool IsFat32(const BuiltImage& image)
{
    return (image.row.fsType & 0x0F) == kFat32;
}

std::string MtoolsImage(const BuiltImage& image)
{
    return image.volumeOffset == 0 ? image.path : image.path + "@@" + std::to_string(image.volumeOffset);
}

AssertionResult ToolFailed(const std::vector<std::string>& argv, const ToolResult& result)
{
    return AssertionFailure() << CommandLine(argv) << " exited " << result.exitCode << ":\n" << result.output;
}

// The value after "key" on the tool's output line that holds it.
std::string ValueAfter(const std::string& output, const std::string& key)
{
    std::size_t at = output.find(key);
    if (at == std::string::npos)
        return "";
    std::size_t end = output.find('\n', at);
    std::string value = output.substr(at + key.size(), end - at - key.size());
    value.erase(0, value.find_first_not_of(" ="));
    return value;
}

// blkid's export lines KEY=VALUE, with its backslash escapes removed.
std::map<std::string, std::string> BlkidValues(const std::string& output)
{
    std::map<std::string, std::string> values;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            continue;
        std::string value;
        for (std::size_t i = equals + 1; i < line.size(); ++i)
            value.push_back(line[i] == '\\' && i + 1 < line.size() ? line[++i] : line[i]);
        values[line.substr(0, equals)] = value;
    }
    return values;
}

std::string ExpectedLabel(const BuiltImage& image)
{
    std::string label = image.row.label != nullptr ? image.row.label : "";
    label = label.substr(0, 11);
    std::transform(label.begin(), label.end(), label.begin(), [](unsigned char c) { return std::toupper(c); });
    while (!label.empty() && label.back() == ' ')
        label.pop_back();
    return label;
}

} // namespace

AssertionResult FsckReportsNothing(const BuiltImage& image)
{
    std::unique_ptr<LoopDevice> partition;
    std::string error;
    std::string target = DeviceAt(image, image.volumeOffset, partition, error);
    if (target.empty())
        return AssertionFailure() << error;
    std::vector<std::string> argv{"fsck.fat", "-n", "-S", "-U", target};
    ToolResult result = RunTool(argv);
    std::size_t lines = std::count(result.output.begin(), result.output.end(), '\n');
    if (result.exitCode != 0 || lines != 2)
        return ToolFailed(argv, result);
    return AssertionSuccess();
}

AssertionResult BlkidFindsTypeAndLabel(const BuiltImage& image)
{
    std::vector<std::string> argv{"blkid", "-p", "-O", std::to_string(image.volumeOffset), "-o", "export", image.path};
    ToolResult result = RunTool(argv);
    if (result.exitCode != 0)
        return ToolFailed(argv, result);
    std::string version = IsFat32(image) ? "FAT32" : "FAT16";
    std::string label = ExpectedLabel(image);
    std::map<std::string, std::string> values = BlkidValues(result.output);
    bool labelOk = label.empty() ? values.count("LABEL") == 0 : values["LABEL"] == label;
    if (values["TYPE"] != "vfat" || values["VERSION"] != version || !labelOk)
        return AssertionFailure() << "expected " << version << " labelled '" << label << "':\n" << result.output;
    return AssertionSuccess();
}

AssertionResult MinfoShowsGeometry(const BuiltImage& image)
{
    std::vector<std::string> argv{"minfo", "-i", MtoolsImage(image), "::"};
    ToolResult result = RunTool(argv, kToolEnvironment);
    if (result.exitCode != 0)
        return ToolFailed(argv, result);
    std::string sectorSize = ValueAfter(result.output, "sector size:");
    std::string cluster = ValueAfter(result.output, "cluster size:");
    std::string reserved = ValueAfter(result.output, "reserved (boot) sectors:");
    std::uint8_t wantedReserved = image.row.reservedSectors == 0 ? 32 : std::max<std::uint8_t>(image.row.reservedSectors, 9);
    std::ostringstream problems;
    if (sectorSize != std::to_string(image.sectorBytes) + " bytes")
        problems << "sector size '" << sectorSize << "', expected " << image.sectorBytes << "; ";
    if (reserved != std::to_string(wantedReserved))
        problems << "reserved sectors '" << reserved << "', expected " << int{wantedReserved} << "; ";
    if (image.row.sectorsPerCluster != 0 && cluster != std::to_string(image.row.sectorsPerCluster) + " sectors")
        problems << "cluster size '" << cluster << "', expected " << int{image.row.sectorsPerCluster} << "; ";
    if (!problems.str().empty())
        return AssertionFailure() << problems.str() << "\n" << result.output;
    return AssertionSuccess();
}

AssertionResult PartitionTableMatches(const BuiltImage& image)
{
    if ((image.row.fsType & kMbr) == 0)
        return AssertionSuccess();
    std::unique_ptr<LoopDevice> area;
    std::string error;
    std::string target = DeviceAt(image, image.areaOffset, area, error);
    if (target.empty())
        return AssertionFailure() << error;
    std::vector<std::string> argv{"sfdisk", "--dump", target};
    ToolResult result = RunTool(argv);
    if (result.exitCode != 0)
        return ToolFailed(argv, result);
    std::uint64_t start = (image.volumeOffset - image.areaOffset) / image.sectorBytes;
    std::ostringstream expected;
    expected << "start=" << std::setw(12) << start << ", size=" << std::setw(12) << image.row.totalSectors - start
             << ", type=" << PartitionTypeOf(image.row) << ", bootable";
    if (result.output.find(expected.str()) == std::string::npos)
        return AssertionFailure() << "expected '" << expected.str() << "':\n" << result.output;
    std::vector<std::string> verify{"sfdisk", "--verify", target};
    ToolResult verified = RunTool(verify);
    if (verified.exitCode != 0)
        return ToolFailed(verify, verified);
    return AssertionSuccess();
}

AssertionResult MtoolsExtractsTheTree(const BuiltImage& image)
{
    if (image.sourceFolder.empty())
        return AssertionSuccess();
    fs::path out = fs::path(image.path + ".extracted");
    fs::remove_all(out);
    fs::create_directories(out);
    std::vector<std::string> copy{"mcopy", "-s", "-m", "-n", "-i", MtoolsImage(image), "::*", out.string()};
    ToolResult copied = RunTool(copy, kToolEnvironment);
    if (copied.exitCode != 0)
        return ToolFailed(copy, copied);
    std::vector<std::string> diff{"diff", "-r", "--no-dereference", image.sourceFolder, out.string()};
    ToolResult compared = RunTool(diff);
    if (compared.exitCode != 0)
        return ToolFailed(diff, compared);
    for (const auto& entry : fs::recursive_directory_iterator(image.sourceFolder)) {
        if (!entry.is_regular_file())
            continue;
        fs::path copyPath = out / fs::relative(entry.path(), image.sourceFolder);
        struct stat source, extracted;
        if (::stat(entry.path().c_str(), &source) != 0 || ::stat(copyPath.c_str(), &extracted) != 0)
            return AssertionFailure() << "cannot compare the times of " << entry.path();
        if (source.st_mtime - extracted.st_mtime < 0 || source.st_mtime - extracted.st_mtime > 1)
            return AssertionFailure() << entry.path() << " written at " << source.st_mtime << ", FAT says "
                                      << extracted.st_mtime;
    }
    fs::remove_all(out);
    return AssertionSuccess();
}

AssertionResult NothingWritten(const BuiltImage& image)
{
    if (fs::exists(image.path))
        return AssertionFailure() << image.path << " was created";
    return AssertionSuccess();
}

const std::vector<Checker> kFatChecks{FsckReportsNothing, BlkidFindsTypeAndLabel, MinfoShowsGeometry,
                                      PartitionTableMatches, MtoolsExtractsTheTree};
