// The supported-device table keeps the row structure the station searches by, and the
// udev rule shipped for real stations grants access to exactly those devices and hubs.
#include "engine/usb/supported_devices.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <utility>

namespace {

TEST(SupportedDeviceTable, RowsFollowTheVendorLayout)
{
    const auto& t = SupportedDeviceTable;
    auto vendorOfRows = [&](int first, int last) {
        std::set<WORD> vendors;
        for (int row = first; row <= last; ++row)
            vendors.insert(t[row - 1].idVendor);
        return vendors;
    };
    // rows (1-based) of MakerVendorId: 2-11, 24-47
    EXPECT_EQ(vendorOfRows(2, 11), std::set<WORD>{MakerVendorId});
    EXPECT_EQ(vendorOfRows(24, 47), std::set<WORD>{MakerVendorId});
    int makerRows = 0;
    for (auto& row : t)
        makerRows += row.idVendor == MakerVendorId;
    EXPECT_EQ(makerRows, 34);
    // Seven other vendors, each on its own rows: 1, 12-16, 17-18, 19-22, 23, 48-49, 50.
    const std::pair<int, int> others[] = {{1, 1}, {12, 16}, {17, 18}, {19, 22}, {23, 23}, {48, 49}, {50, 50}};
    std::set<WORD> otherVendors;
    for (auto [first, last] : others) {
        auto vendors = vendorOfRows(first, last);
        ASSERT_EQ(vendors.size(), 1u) << first;
        EXPECT_NE(*vendors.begin(), MakerVendorId);
        otherVendors.insert(*vendors.begin());
    }
    EXPECT_EQ(otherVendors.size(), 7u);
    // Rows 2-9: eight consecutive product ids; 39-41: three.
    for (int row = 3; row <= 9; ++row)
        EXPECT_EQ(t[row - 1].idProduct, t[row - 2].idProduct + 1) << row;
    for (int row = 40; row <= 41; ++row)
        EXPECT_EQ(t[row - 1].idProduct, t[row - 2].idProduct + 1) << row;
    // Rows 24-38: one run of 16 with exactly one value skipped.
    EXPECT_EQ(t[37].idProduct - t[23].idProduct, 15);
    std::set<std::pair<WORD, WORD>> pairs;
    for (auto& row : t)
        pairs.insert({row.idVendor, row.idProduct});
    EXPECT_EQ(pairs.size(), 50u) << "no row repeats another";
}

TEST(SupportedDeviceTable, ModelsComeFromTheirRowsAndProductIdsAlone)
{
    const ChipModel byRow[] = {ChipModel::RZ520, ChipModel::None,  ChipModel::RZ521, ChipModel::RZ522, ChipModel::RZ523,
                               ChipModel::RZ524, ChipModel::RZ525, ChipModel::RZ526, ChipModel::None};
    for (int row = 0; row < 9; ++row)
        EXPECT_EQ(ChipModelOf(SupportedDeviceTable[row].idProduct), byRow[row]) << row + 1;
    for (int row = 9; row < 50; ++row)
        EXPECT_EQ(ChipModelOf(SupportedDeviceTable[row].idProduct), ChipModel::None) << row + 1;
    for (WORD id : {ChipProductId::RZ521, ChipProductId::RZ522, ChipProductId::RZ523, ChipProductId::RZ524,
                    ChipProductId::RZ525, ChipProductId::RZ526})
        EXPECT_GT(ChipProductId::RZ520, id) << "the RZ520 id is the largest";
}

TEST(UdevRule, GrantsAccessToEverySupportedDeviceAndHubAndNothingElse)
{
    std::ifstream rule(FABRUN_UDEV_RULE);
    ASSERT_TRUE(rule) << FABRUN_UDEV_RULE;
    const std::regex line(
        R"re(SUBSYSTEM=="usb", ENV\{DEVTYPE\}=="usb_device", ATTR\{idVendor\}=="([0-9a-f]{4})", ATTR\{idProduct\}=="([0-9a-f]{4})", MODE="0660", GROUP="plugdev", TAG\+="uaccess")re");
    std::vector<std::pair<WORD, WORD>> granted;
    std::string text;
    while (std::getline(rule, text)) {
        if (text.empty() || text[0] == '#')
            continue;
        std::smatch match;
        ASSERT_TRUE(std::regex_match(text, match, line)) << text;
        granted.emplace_back(std::stoi(match[1], nullptr, 16), std::stoi(match[2], nullptr, 16));
    }
    std::vector<std::pair<WORD, WORD>> expected;
    for (auto& row : SupportedDeviceTable)
        expected.emplace_back(row.idVendor, row.idProduct);
    for (WORD hub : {0x5410, 0x5411, 0x5420, 0x5421, 0x5430, 0x5431})
        expected.emplace_back(MakerVendorId, hub);
    EXPECT_EQ(granted, expected);
}

} // namespace
