// Following sysfs links lexically on a small tree of folders and relative links built by the
// test: chains, links whose targets climb with "..", links inside a link's target, and loops.
#include "platform/usbsys/sysfs.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

// devices/pci/usb1/1-1/block/sdb is the one real path; the links lead to it from elsewhere.
class LinkTree {
public:
    LinkTree()
    {
        char pattern[] = "/tmp/fabrun-links-XXXXXX";
        root_ = mkdtemp(pattern);
        fs::create_directories(root_ + "/devices/pci/usb1/1-1/block/sdb");
        fs::create_directories(root_ + "/bus/usb/devices");
        fs::create_directories(root_ + "/class/block");
        fs::create_directories(root_ + "/chain");
        fs::create_directories(root_ + "/loop");
        Link("bus/usb/devices/1-1", "../../../devices/pci/usb1/1-1");
        Link("class/block/sdb", "../../bus/usb/devices/1-1/block/sdb"); // a link inside the target
        Link("chain/a", "b");
        Link("chain/b", "./c");
        Link("chain/c", "../devices/pci/usb1/../../pci");
        Link("absolute", root_ + "/devices/pci");
        Link("loop/a", "b");
        Link("loop/b", "a");
        Link("dangling", "gone/away");
    }
    ~LinkTree()
    {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }

    const std::string& root() const { return root_; }

private:
    void Link(const std::string& name, const std::string& target) { fs::create_symlink(target, root_ + "/" + name); }

    std::string root_;
};

struct Case {
    const char* what;
    const char* path;     // below the tree's root
    const char* resolved; // below the tree's root
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << c.what;
}

const Case kCases[] = {
    {"plain_folder", "/devices/pci/usb1", "/devices/pci/usb1"},
    {"relative_link_through_parents", "/bus/usb/devices/1-1", "/devices/pci/usb1/1-1"},
    {"below_a_link", "/bus/usb/devices/1-1/block/sdb", "/devices/pci/usb1/1-1/block/sdb"},
    {"link_inside_a_target", "/class/block/sdb", "/devices/pci/usb1/1-1/block/sdb"},
    {"chained_links", "/chain/a/usb1/1-1", "/devices/pci/usb1/1-1"},
    {"absolute_link", "/absolute/usb1", "/devices/pci/usb1"},
    {"dots_folded_before_links", "/bus/./usb//devices/1-1/../1-1/", "/devices/pci/usb1/1-1"},
    {"parent_of_a_link_taken_lexically", "/bus/usb/devices/1-1/..", "/bus/usb/devices"},
    {"missing_part", "/bus/usb/devices/9-9/serial", "/bus/usb/devices/9-9/serial"},
    {"dangling_link", "/dangling", "/gone/away"},
};

class ResolvePath : public ::testing::TestWithParam<Case> {
protected:
    LinkTree tree;
};

TEST_P(ResolvePath, FollowsLinksAndFoldsDots)
{
    EXPECT_EQ(platform::usbsys::ResolvePath(tree.root() + GetParam().path), tree.root() + GetParam().resolved);
}

INSTANTIATE_TEST_SUITE_P(Table, ResolvePath, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.what); });

TEST(ResolvePathLoop, ABoundStopsALoopOfLinks)
{
    LinkTree tree;
    const std::string resolved = platform::usbsys::ResolvePath(tree.root() + "/loop/a");
    EXPECT_TRUE(resolved == tree.root() + "/loop/a" || resolved == tree.root() + "/loop/b") << resolved;
}

// One resolver for many paths remembers the folders that are no links: what it remembers
// from one path must not change where another leads, in whatever order they come.
TEST(PathResolver, ResolvesEachPathOfAListingAsAloneInAnyOrder)
{
    LinkTree tree;
    for (bool reversed : {false, true}) {
        platform::usbsys::PathResolver resolver;
        for (std::size_t i = 0; i < std::size(kCases); ++i) {
            const Case& c = kCases[reversed ? std::size(kCases) - 1 - i : i];
            EXPECT_EQ(resolver.Resolve(tree.root() + c.path), tree.root() + c.resolved) << c.what;
        }
    }
}

} // namespace
