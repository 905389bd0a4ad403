// Which configurations count as mass storage: the first interface descriptor decides, and
// only bytes of whole descriptors are read; a cut-off descriptor, a length below two or an
// interface descriptor too short to hold its class never counts.
#include "server/topology/hub_link.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Case {
    const char* name;
    std::vector<BYTE> config;
    bool massStorage;
};

TEST(HubDescriptors, FirstInterfaceIsMassStorageReadsOnlyWholeDescriptors)
{
    const std::vector<BYTE> header{9, 2, 32, 0, 1, 1, 0, 0x80, 50};
    auto with = [&](std::vector<BYTE> rest) {
        std::vector<BYTE> all = header;
        all.insert(all.end(), rest.begin(), rest.end());
        return all;
    };
    const Case cases[] = {
        {"a stick", with({9, 4, 0, 0, 2, 8, 6, 0x50, 0, 7, 5, 0x81, 2, 0, 2, 0}), true},
        {"a keyboard", with({9, 4, 0, 0, 1, 3, 1, 1, 0}), false},
        {"an endpoint first", with({7, 5, 0x81, 2, 0, 2, 0, 9, 4, 0, 0, 2, 8, 6, 0x50, 0}), true},
        {"another descriptor first", with({9, 0x21, 0, 0, 0, 0, 0, 0, 0, 9, 4, 0, 0, 2, 8, 6, 0x50, 0}), false},
        {"the interface's class byte is the next one's", with({2, 4, 9, 4, 0, 8}), false},
        {"an interface cut off", with({9, 4, 0, 0, 2, 8}), false},
        {"a length of one", with({1, 4, 0, 0, 2, 8, 6, 0x50, 0}), false},
        {"a length of zero", with({0, 4, 0, 0, 2, 8}), false},
        {"a configuration longer than the bytes", {0x80, 4, 0, 0, 2, 8, 6, 1, 0}, false},
        {"nothing", {}, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FirstInterfaceIsMassStorage(c.config), c.massStorage) << c.name;
}

} // namespace
