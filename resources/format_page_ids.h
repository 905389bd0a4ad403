// The format page of the settings sheet: template 160 and the ids of its controls. Each
// LUN's controls are listed per LUN 0..3 (Public, Security, ISO9660, Hidden).
#pragma once

#include "platform/base/wintypes.h"

namespace res {

constexpr UINT IDD_FORMAT_SETTING = 160;

struct FormatLunIds {
    UINT enable, startLba, capacity, slider, type, mbr, label, imageEdit, imageButton, sourceEdit, sourceButton,
        createImage, progress;
    UINT startLbaCaption, capacityCaption, labelCaption, typeCaption;
};

constexpr FormatLunIds kFormatLunIds[4] = {
    {1068, 1074, 1082, 1078, 1114, 1115, 1113, 1065, 1064, 1063, 1062, 1073, 1072, 1088, 1092, 1164, 1168},
    {1069, 1075, 1083, 1079, 1128, 1122, 1127, 1102, 1101, 1100, 1086, 1104, 1103, 1089, 1093, 1165, 1169},
    {1070, 1076, 1084, 1080, 1130, 1123, 1129, 1108, 1107, 1106, 1105, 1110, 1109, 1090, 1094, 1166, 1170},
    {1071, 1077, 1085, 1081, 1132, 1124, 1131, 1119, 1118, 1117, 1116, 1121, 1120, 1091, 1095, 1167, 1171},
};

constexpr UINT IDC_FORMAT_AUTO_TUNE = 1096;
constexpr UINT IDC_FORMAT_HIDDEN_PUBLIC = 1097;
constexpr UINT IDC_FORMAT_HIDDEN_ISO9660 = 1098;
constexpr UINT IDC_FORMAT_AUTO_RUN = 1099;
constexpr UINT IDC_FORMAT_CAP_FROM_CIS = 1136;
constexpr UINT IDC_FORMAT_MAX_LUN = 1047;
constexpr UINT IDC_FORMAT_TOTAL = 1111;
constexpr UINT IDC_FORMAT_REMAIN = 1112;
constexpr UINT IDC_FORMAT_OPTION_GROUP = 1161;
constexpr UINT IDC_FORMAT_MAX_LUN_CAPTION = 1087;
constexpr UINT IDC_FORMAT_TOTAL_CAPTION = 1162;
constexpr UINT IDC_FORMAT_REMAIN_CAPTION = 1163;

} // namespace res
