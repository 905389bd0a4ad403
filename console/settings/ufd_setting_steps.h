// The flash-drive page's switches: the TestProcedureMask bit of each step the worker
// leaves out when it is set, and the build options held in LunTypeBitMap.
#pragma once

#include "console/settings/page_switches.h"
#include "resources/ufd_setting_ids.h"

constexpr DWORD kStepBuildSystem = 0x01;
constexpr DWORD kStepFirmware = 0x02;
constexpr DWORD kStepCis = 0x04;
constexpr DWORD kStepFormat = 0x08;
constexpr DWORD kStepStressTest = 0x10;
constexpr DWORD kStepBootCode = 0x20;

struct TestStepSwitch {
    UINT id;
    DWORD bit;
};

// The step switches in the order the page fills them ("Build System Table disable" has
// its own handler: it greys the build options).
constexpr TestStepSwitch kTestStepSwitches[] = {
    {res::IDC_UFD_FW_DOWNLOAD_DISABLE, kStepFirmware}, {res::IDC_UFD_CIS_DOWNLOAD_DISABLE, kStepCis},
    {res::IDC_UFD_FORMAT_DISABLE, kStepFormat},        {res::IDC_UFD_STRESS_TEST_DISABLE, kStepStressTest},
    {res::IDC_UFD_BOOT_CODE_DISABLE, kStepBootCode},
};

// The boxes of LunTypeBitMap bits.
constexpr LunTypeBox kBuildOptionBoxes[] = {
    {res::IDC_UFD_FORCE_FIRST_BUILD, 29}, {res::IDC_UFD_CLEAR_SYSTEM_BLOCK, 28}, {res::IDC_UFD_SCAN_BLOCK_ONLY, 27},
    {res::IDC_UFD_DUMP_MEMORY, 26},       {res::IDC_UFD_FORCE_SECOND_BUILD, 22}, {res::IDC_UFD_DISPLAY_RW_RATE, 21},
};

// The bit-error threshold of a read-back block: LunTypeBitMap bits 16-19, list 1178.
constexpr unsigned kBitErrorShift = 16;
constexpr DWORD kBitErrorBits = 0xFu << kBitErrorShift;
constexpr int kBitErrorLevels = 16;
