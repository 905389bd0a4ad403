#include "iso_checkers.h"

#include "loop_device.h"
#include "tool_runner.h"

#include "platform/text/text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>

namespace fs = std::filesystem;
using ::testing::AssertionFailure;
using ::testing::AssertionResult;
using ::testing::AssertionSuccess;

namespace {

constexpr std::size_t kJolietLimit = 64;
constexpr std::size_t kLongestExtension = 16; // "." included

// What the checkers read: the image file, or a loop device over the volume where it
// starts inside a device.
class IsoVolume {
public:
    explicit IsoVolume(const BuiltImage& image)
    {
        if (image.volumeOffset == 0)
            path_ = image.path;
        else {
            loop_ = std::make_unique<LoopDevice>(image.path, image.volumeOffset, 0, 512, false);
            path_ = loop_->ok() ? loop_->node() : "";
        }
    }
    const std::string& path() const { return path_; }

private:
    std::unique_ptr<LoopDevice> loop_;
    std::string path_;
};

std::string JolietNameOf(const std::string& name)
{
    std::u16string wide = platform::Utf8ToWide(name);
    if (wide.size() <= kJolietLimit)
        return name;
    std::size_t dot = wide.rfind(u'.');
    std::u16string extension =
        dot != std::u16string::npos && dot > 0 && wide.size() - dot <= kLongestExtension ? wide.substr(dot) : u"";
    return platform::WideToUtf8(wide.substr(0, kJolietLimit - extension.size()) + extension);
}

// isoinfo prints Joliet names in ISO-8859-1; names with other characters are left to xorriso.
bool Latin1Of(const std::string& utf8, std::string& latin1)
{
    latin1.clear();
    for (char16_t unit : platform::Utf8ToWide(utf8)) {
        if (unit > 0xFF)
            return false;
        latin1 += static_cast<char>(unit);
    }
    return true;
}

std::string MappedLabel(const std::string& label)
{
    std::string mapped;
    for (char c : label)
        mapped += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : '_';
    return mapped;
}

std::string FileText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

AssertionResult CompareFolders(const fs::path& source, const fs::path& extracted)
{
    std::set<std::string> expected;
    for (const auto& entry : fs::directory_iterator(source)) {
        std::string name = JolietNameOf(entry.path().filename().string());
        expected.insert(name);
        fs::path copy = extracted / name;
        if (entry.is_directory()) {
            if (!fs::is_directory(copy))
                return AssertionFailure() << "folder missing: " << copy;
            AssertionResult inner = CompareFolders(entry.path(), copy);
            if (!inner)
                return inner;
        } else if (!fs::is_regular_file(copy) || FileText(entry.path()) != FileText(copy)) {
            return AssertionFailure() << "file missing or different: " << copy;
        }
    }
    for (const auto& entry : fs::directory_iterator(extracted))
        if (expected.count(entry.path().filename().string()) == 0)
            return AssertionFailure() << "not in the source: " << entry.path();
    return AssertionSuccess();
}

} // namespace

AssertionResult IsoinfoShowsVolume(const BuiltImage& image)
{
    IsoVolume volume(image);
    std::vector<std::string> argv{"isoinfo", "-d", "-i", volume.path()};
    ToolResult info = RunTool(argv);
    if (info.exitCode != 0)
        return AssertionFailure() << CommandLine(argv) << " exited " << info.exitCode << ":\n" << info.output;
    for (const std::string& line : {"Volume id: " + MappedLabel(image.row.label) + "\n",
                                    std::string("Logical block size is: 2048\n"),
                                    std::string("Joliet with UCS level 3 found\n")})
        if (info.output.find(line) == std::string::npos)
            return AssertionFailure() << "isoinfo -d lacks \"" << line << "\":\n" << info.output;
    std::size_t at = info.output.find("Volume size is: ");
    std::uint64_t blocks = at == std::string::npos ? 0 : std::stoull(info.output.substr(at + 16));
    std::uint64_t target = std::uint64_t{image.row.totalSectors} * 512;
    if (blocks == 0 || blocks * 2048 > target)
        return AssertionFailure() << blocks << " blocks in a target of " << target << " bytes:\n" << info.output;
    if (image.areaOffset == 0 && fs::file_size(image.path) != blocks * 2048)
        return AssertionFailure() << "the image file has " << fs::file_size(image.path) << " bytes, the volume " << blocks;
    return AssertionSuccess();
}

AssertionResult IsoinfoListsJolietTree(const BuiltImage& image)
{
    if (image.sourceFolder.empty())
        return AssertionSuccess();
    IsoVolume volume(image);
    std::vector<std::string> argv{"isoinfo", "-J", "-l", "-i", volume.path()};
    ToolResult listing = RunTool(argv);
    if (listing.exitCode != 0)
        return AssertionFailure() << CommandLine(argv) << " exited " << listing.exitCode << ":\n" << listing.output;
    fs::path root = image.sourceFolder;
    for (auto entry = fs::recursive_directory_iterator(root); entry != fs::recursive_directory_iterator(); ++entry) {
        std::string path;
        for (const fs::path& part : fs::relative(entry->path(), root))
            path += "/" + JolietNameOf(part.string());
        std::string name = JolietNameOf(entry->path().filename().string()), shown, shownPath;
        if (!Latin1Of(name, shown) || !Latin1Of(path, shownPath))
            continue;
        std::string wanted = entry->is_directory() ? "Directory listing of " + shownPath + "/\n" : " " + shown + " \n";
        if (listing.output.find(wanted) == std::string::npos)
            return AssertionFailure() << "isoinfo -J -l does not show " << path;
    }
    return AssertionSuccess();
}

AssertionResult IsoinfoListsPrimaryRecordsInOrder(const BuiltImage& image)
{
    if (image.sourceFolder.empty())
        return AssertionSuccess();
    IsoVolume volume(image);
    std::vector<std::string> argv{"isoinfo", "-l", "-i", volume.path()};
    ToolResult listing = RunTool(argv);
    if (listing.exitCode != 0)
        return AssertionFailure() << CommandLine(argv) << " exited " << listing.exitCode << ":\n" << listing.output;
    // A record line ends "[ extent flags]  NAME "; each listing starts with "." and "..".
    std::istringstream lines(listing.output);
    std::string directory, previous;
    std::size_t records = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Directory listing of ", 0) == 0) {
            directory = line.substr(21);
            previous.clear();
            continue;
        }
        std::size_t at = line.find("]  ");
        if (at == std::string::npos)
            continue;
        std::string name = line.substr(at + 3);
        name.erase(name.find_last_not_of(' ') + 1);
        if (name == "." || name == "..")
            continue;
        if (!previous.empty() && !(previous < name))
            return AssertionFailure() << "in " << directory << " " << name << " follows " << previous << ":\n"
                                      << listing.output;
        previous = name;
        ++records;
    }
    std::size_t entries = std::distance(fs::recursive_directory_iterator(image.sourceFolder), fs::recursive_directory_iterator());
    if (records != entries)
        return AssertionFailure() << records << " records for " << entries << " source entries:\n" << listing.output;
    return AssertionSuccess();
}

AssertionResult XorrisoExtractsTheTree(const BuiltImage& image)
{
    if (image.sourceFolder.empty())
        return AssertionSuccess();
    IsoVolume volume(image);
    fs::path out = image.path + ".extracted";
    fs::remove_all(out);
    // "stdio:" lets xorriso read a block device that is not an optical drive.
    std::vector<std::string> argv{"xorriso", "-abort_on", "FAILURE", "-indev", "stdio:" + volume.path(), "-osirrox", "on",
                                  "-extract", "/", out.string()};
    ToolResult extract = RunTool(argv);
    if (extract.exitCode != 0)
        return AssertionFailure() << CommandLine(argv) << " exited " << extract.exitCode << ":\n" << extract.output;
    AssertionResult same = CompareFolders(image.sourceFolder, out);
    fs::remove_all(out);
    return same;
}

namespace {

// The Joliet paths of the non-empty source files, in the order a walk of the folder meets
// them as it lists; folders whose names begin with "." are not copied.
void FilesInListingOrder(const fs::path& folder, const std::string& prefix, std::vector<std::string>& files)
{
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory()) {
            if (name[0] != '.')
                FilesInListingOrder(entry.path(), prefix + "/" + JolietNameOf(name), files);
        } else if (fs::file_size(entry.path()) > 0) {
            files.push_back(prefix + "/" + JolietNameOf(name));
        }
    }
}

struct DataExtent {
    std::uint64_t block, blocks;
    std::string path;
};

} // namespace

AssertionResult XorrisoFindsFileDataInListingOrder(const BuiltImage& image)
{
    if (image.sourceFolder.empty())
        return AssertionSuccess();
    IsoVolume volume(image);
    std::vector<std::string> argv{"xorriso", "-abort_on", "FAILURE", "-indev", "stdio:" + volume.path(), "-find", "/",
                                  "-type", "f", "-exec", "report_lba", "--"};
    ToolResult report = RunTool(argv);
    if (report.exitCode != 0)
        return AssertionFailure() << CommandLine(argv) << " exited " << report.exitCode << ":\n" << report.output;
    // "File data lba:  0 ,       61 ,        1 ,        3 , '/a.txt'"
    std::vector<DataExtent> extents;
    std::istringstream lines(report.output);
    for (std::string line; std::getline(lines, line);) {
        unsigned extent = 0;
        unsigned long long block = 0, blocks = 0, bytes = 0;
        int pathAt = 0;
        if (std::sscanf(line.c_str(), "File data lba: %u , %llu , %llu , %llu , '%n", &extent, &block, &blocks, &bytes,
                        &pathAt) != 4 || pathAt == 0 || bytes == 0)
            continue;
        extents.push_back({block, blocks, line.substr(pathAt, line.rfind('\'') - pathAt)});
    }
    std::sort(extents.begin(), extents.end(), [](const DataExtent& a, const DataExtent& b) { return a.block < b.block; });
    std::vector<std::string> expected;
    FilesInListingOrder(image.sourceFolder, "", expected);
    if (extents.size() != expected.size())
        return AssertionFailure() << extents.size() << " files with data for " << expected.size() << " non-empty source files:\n"
                                  << report.output;
    for (std::size_t i = 0; i < extents.size(); ++i) {
        // xorriso escapes what it cannot print; such a name is judged by its place alone.
        const bool printable = std::all_of(expected[i].begin(), expected[i].end(),
                                           [](char c) { return c >= 0x20 && c < 0x7F && c != '\\'; });
        if (printable && extents[i].path != expected[i])
            return AssertionFailure() << "file data number " << i << " is " << extents[i].path << ", the listing has "
                                      << expected[i] << " there:\n" << report.output;
        if (i > 0 && extents[i].block != extents[i - 1].block + extents[i - 1].blocks)
            return AssertionFailure() << extents[i].path << " does not follow " << extents[i - 1].path << " directly:\n"
                                      << report.output;
    }
    return AssertionSuccess();
}

const std::vector<Checker> kIsoChecks{IsoinfoShowsVolume, IsoinfoListsJolietTree, IsoinfoListsPrimaryRecordsInOrder,
                                      XorrisoExtractsTheTree, XorrisoFindsFileDataInListingOrder};
