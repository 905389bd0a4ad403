// Template 131 of the 16-port view: 4 rows of 4 port tiles, the serial-number line below.
#include "resources/dialog_template.h"
#include "resources/port_tiles.h"
#include "resources/resource_ids.h"

#include <array>

namespace res {
namespace {

constexpr PortTileIds kTiles[16] = {
    {1008, 1010, 1011, 1009, 1199, 1200, u"Device1"},   {1012, 1013, 1014, 1015, 1201, 1202, u"Device2"},
    {1016, 1017, 1018, 1019, 1203, 1204, u"Device3"},   {1020, 1021, 1022, 1023, 1205, 1206, u"Device4"},
    {1156, 1157, 1158, 1032, 1207, 1208, u"Device5"},   {1165, 1166, 1167, 1035, 1209, 1210, u"Device6"},
    {1174, 1175, 1176, 1038, 1211, 1212, u"Device7"},   {1183, 1184, 1185, 1041, 1213, 1214, u"Device8"},
    {1159, 1160, 1161, 1033, 1215, 1216, u"Device9"},   {1168, 1169, 1170, 1036, 1217, 1218, u"Device10"},
    {1177, 1178, 1179, 1039, 1219, 1220, u"Device11"},  {1186, 1187, 1188, 1042, 1221, 1222, u"Device12"},
    {1162, 1163, 1164, 1034, 1223, 1224, u"Device13"},  {1171, 1172, 1173, 1037, 1225, 1226, u"Device14"},
    {1180, 1181, 1182, 1040, 1227, 1228, u"Device15"},  {1189, 1190, 1191, 1043, 1229, 1230, u"Device16"},
};

constexpr short kMargin = 5, kTileWidth = 118, kTileHeight = 63, kGapX = 4, kGapY = 3;
constexpr int kControlsPerTile = 6;

constexpr std::array<DialogControl, 16 * kControlsPerTile + 2> BuildControls()
{
    std::array<DialogControl, 16 * kControlsPerTile + 2> controls{};
    std::size_t at = 0;
    for (int port = 0; port < 16; ++port) {
        const PortTileIds& ids = kTiles[port];
        short x = static_cast<short>(kMargin + (port % 4) * (kTileWidth + kGapX));
        short y = static_cast<short>(kMargin + (port / 4) * (kTileHeight + kGapY));
        controls[at++] = {ids.group, ControlKind::GroupBox, ids.caption, x, y, kTileWidth, kTileHeight};
        controls[at++] = {ids.button, ControlKind::IconButton, u"", static_cast<short>(x + 7), static_cast<short>(y + 11), 38, 38};
        controls[at++] = {ids.disable, ControlKind::CheckBox, u"Disable", static_cast<short>(x + 50), static_cast<short>(y + 12), 60, 10};
        controls[at++] = {ids.rateR, ControlKind::Label, u"R: 0 MB/s", static_cast<short>(x + 50), static_cast<short>(y + 26), 64, 9};
        controls[at++] = {ids.rateW, ControlKind::Label, u"W: 0 MB/s", static_cast<short>(x + 50), static_cast<short>(y + 37), 64, 9};
        controls[at++] = {ids.progress, ControlKind::ProgressBar, u"", static_cast<short>(x + 7), static_cast<short>(y + 51), 104, 8};
    }
    constexpr short serialY = kMargin + 4 * kTileHeight + 3 * kGapY + 3;
    controls[at++] = {IDC_SERIAL_LABEL, ControlKind::Label, u"SN:", kMargin, static_cast<short>(serialY + 2), 14, 9};
    controls[at++] = {IDC_SERIAL_EDIT, ControlKind::Edit, u"", kMargin + 16, serialY, 100, 12};
    return controls;
}

constexpr auto kControls = BuildControls();

} // namespace

extern const DialogTemplate kPortView16Template{IDD_16_DEV_VIEW, 495, 283, kControls};

std::span<const PortTileIds> PortView16Tiles()
{
    return kTiles;
}

} // namespace res
