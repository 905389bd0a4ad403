// Templates of the 1-, 4-, 8- and 32-port views: template 162 (one tile), 133 (2 x 2),
// 132 (2 rows of 4) and 130 (4 rows of 8). No serial-number line in any of them.
#include "resources/dialog_template.h"
#include "resources/port_tiles.h"
#include "resources/resource_ids.h"

#include <array>

namespace res {
namespace {

constexpr const char16_t* kCaptions[32] = {
    u"Device1",  u"Device2",  u"Device3",  u"Device4",  u"Device5",  u"Device6",  u"Device7",  u"Device8",
    u"Device9",  u"Device10", u"Device11", u"Device12", u"Device13", u"Device14", u"Device15", u"Device16",
    u"Device17", u"Device18", u"Device19", u"Device20", u"Device21", u"Device22", u"Device23", u"Device24",
    u"Device25", u"Device26", u"Device27", u"Device28", u"Device29", u"Device30", u"Device31", u"Device32",
};

constexpr PortTileIds kTiles1[1] = {{1210, 1211, 1214, 1209, 1212, 1213, u"Device1"}};

// Ports 1 and 2 above, 3 and 4 below.
constexpr PortTileIds kTiles4[4] = {
    {1016, 1018, 1019, 1017, 1196, 1197, u"Device1"},
    {1024, 1025, 1026, 1027, 1200, 1201, u"Device2"},
    {1020, 1021, 1022, 1023, 1198, 1199, u"Device3"},
    {1028, 1029, 1030, 1031, 1202, 1203, u"Device4"},
};

// Port 1 has ids of its own; port k = 2..8 has group 1016 + 4(k - 2), then button,
// progress bar and box on the next three ids, and rate labels 1199 + 2k, 1200 + 2k.
constexpr std::array<PortTileIds, 8> BuildTiles8()
{
    std::array<PortTileIds, 8> tiles{};
    tiles[0] = {1012, 1014, 1015, 1013, 1201, 1202, kCaptions[0]};
    for (UINT k = 2; k <= 8; ++k) {
        const UINT group = 1016 + 4 * (k - 2);
        tiles[k - 1] = {group, group + 1, group + 2, group + 3, 1199 + 2 * k, 1200 + 2 * k, kCaptions[k - 1]};
    }
    return tiles;
}

// Port k = 1..32: group 1060 + 3(k - 1), button and progress bar on the next two ids, box
// 999 + k, rate labels 1201 + 2k, 1202 + 2k.
constexpr std::array<PortTileIds, 32> BuildTiles32()
{
    std::array<PortTileIds, 32> tiles{};
    for (UINT k = 1; k <= 32; ++k) {
        const UINT group = 1060 + 3 * (k - 1);
        tiles[k - 1] = {group, group + 1, group + 2, 999 + k, 1201 + 2 * k, 1202 + 2 * k, kCaptions[k - 1]};
    }
    return tiles;
}

constexpr auto kTiles8 = BuildTiles8();
constexpr auto kTiles32 = BuildTiles32();

struct Box {
    short x, y, cx, cy; // within the tile
};

// Where a tile's controls lie; tiles are placed row by row from the top left.
struct TileGeometry {
    short width, height, gapX, gapY;
    int columns;
    Box button, disable, rateR, rateW, progress;
};

constexpr short kMargin = 5;
constexpr int kControlsPerTile = 6;

template <std::size_t Ports, std::size_t Extra = 0>
constexpr std::array<DialogControl, Ports * kControlsPerTile + Extra> BuildControls(const PortTileIds* tiles,
                                                                                    const TileGeometry& g)
{
    std::array<DialogControl, Ports * kControlsPerTile + Extra> controls{};
    std::size_t at = 0;
    auto place = [](short origin, short offset) { return static_cast<short>(origin + offset); };
    for (std::size_t port = 0; port < Ports; ++port) {
        const PortTileIds& ids = tiles[port];
        const short x = static_cast<short>(kMargin + static_cast<int>(port) % g.columns * (g.width + g.gapX));
        const short y = static_cast<short>(kMargin + static_cast<int>(port) / g.columns * (g.height + g.gapY));
        controls[at++] = {ids.group, ControlKind::GroupBox, ids.caption, x, y, g.width, g.height};
        controls[at++] = {ids.button, ControlKind::IconButton, u"", place(x, g.button.x), place(y, g.button.y), g.button.cx,
                          g.button.cy};
        controls[at++] = {ids.disable, ControlKind::CheckBox, u"Disable", place(x, g.disable.x), place(y, g.disable.y),
                          g.disable.cx, g.disable.cy};
        controls[at++] = {ids.rateR, ControlKind::Label, u"R: 0 MB/s", place(x, g.rateR.x), place(y, g.rateR.y), g.rateR.cx,
                          g.rateR.cy};
        controls[at++] = {ids.rateW, ControlKind::Label, u"W: 0 MB/s", place(x, g.rateW.x), place(y, g.rateW.y), g.rateW.cx,
                          g.rateW.cy};
        controls[at++] = {ids.progress, ControlKind::ProgressBar, u"", place(x, g.progress.x), place(y, g.progress.y),
                          g.progress.cx, g.progress.cy};
    }
    return controls;
}

// 328 x 180: one large tile, and the empty static beside the rates.
constexpr TileGeometry kGeometry1{318, 170, 0, 0, 1, {24, 24, 64, 64}, {112, 28, 80, 10}, {112, 50, 120, 10},
                                  {112, 64, 120, 10}, {24, 120, 270, 14}};
constexpr auto BuildControls1()
{
    auto controls = BuildControls<1, 1>(kTiles1, kGeometry1);
    controls[kControlsPerTile] = {IDC_1_DEV_SPARE_STATIC, ControlKind::Label, u"", static_cast<short>(kMargin + 112),
                                   static_cast<short>(kMargin + 80), 180, 10};
    return controls;
}
constexpr auto kControls1 = BuildControls1();

// 328 x 180: 2 x 2 tiles of 157 x 83.
constexpr TileGeometry kGeometry4{157, 83, 4, 4, 2, {8, 12, 44, 44}, {60, 14, 80, 10}, {60, 30, 90, 9},
                                  {60, 42, 90, 9}, {8, 64, 140, 10}};
constexpr auto kControls4 = BuildControls<4>(kTiles4, kGeometry4);

// 444 x 221: 2 rows of 4 tiles of 104 x 103.
constexpr TileGeometry kGeometry8{104, 103, 4, 4, 4, {8, 12, 44, 44}, {58, 14, 42, 10}, {8, 62, 88, 9},
                                  {8, 73, 88, 9}, {8, 87, 88, 9}};
constexpr auto kControls8 = BuildControls<8>(kTiles8.data(), kGeometry8);

// 662 x 348: 4 rows of 8 tiles of 78 x 82.
constexpr TileGeometry kGeometry32{78, 82, 3, 3, 8, {4, 10, 34, 34}, {41, 14, 35, 10}, {4, 47, 70, 9},
                                   {4, 57, 70, 9}, {4, 69, 70, 8}};
constexpr auto kControls32 = BuildControls<32>(kTiles32.data(), kGeometry32);

} // namespace

extern const DialogTemplate kPortView1Template{IDD_1_DEV_VIEW, 328, 180, kControls1};
extern const DialogTemplate kPortView4Template{IDD_4_DEV_VIEW, 328, 180, kControls4};
extern const DialogTemplate kPortView8Template{IDD_8_DEV_VIEW, 444, 221, kControls8};
extern const DialogTemplate kPortView32Template{IDD_32_DEV_VIEW, 662, 348, kControls32};

std::span<const PortTileIds> PortView1Tiles()
{
    return kTiles1;
}

std::span<const PortTileIds> PortView4Tiles()
{
    return kTiles4;
}

std::span<const PortTileIds> PortView8Tiles()
{
    return kTiles8;
}

std::span<const PortTileIds> PortView32Tiles()
{
    return kTiles32;
}

} // namespace res
