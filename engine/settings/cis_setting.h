// All station and device settings of both product modes, one byte-packed record: each
// field follows the one before it without a gap. String fields are 8-byte handles of
// owned wide text; copying the record copies the texts.
#pragma once

#include "engine/cis/cis_image.h"
#include "engine/settings/packed_string.h"
#include "engine/settings/packed_wide_text.h"
#include "platform/base/wintypes.h"

#include <type_traits>

#pragma pack(push, 1)
struct CISSetting {
    PackedString FilePathOfFW;
    PackedString USB_VID;
    PackedString USB_PID;
    PackedString SourcePublicLunPath;
    PackedString ImagePublicLunPath;
    PackedString SourceSecurityLunPath;
    PackedString ImageSecurityLunPath;
    PackedString SourceIso9660LunPath;
    PackedString ImageIso9660LunPath;
    PackedString SourceHiddenLunPath;
    PackedString ImageHiddenLunPath;
    PackedString LogFilePath;
    PackedString FilePathOfFWBackup;
    PackedString VolumeLable[4];
    BYTE ImageType[4] = {};
    BYTE FormatLunBitMap = 0;
    PackedString PassWordStr;
    PackedString CIS_Mark;
    PackedString Inquiry_VID;
    PackedString Inquiry_PID;
    PackedString ProductStr;
    PackedString ManufactureStr;
    DWORD TestProcedureMask = 0;
    INT TargetStoreMedia = 0;
    INT FWDownLoadRetryCount = 0;
    INT CISDownLoadRetryCount = 0;
    DWORD LunTypeBitMap = 0;
    ::CISImage CISImage = {};
    ULONGLONG SerialNumberX = 0;
    INT SerialNumberY = 0;
    INT SNInterval = 0;
    INT SNType = 0;
    INT DecCheck = 0;
    PackedString SNMask;
    PackedWideText<64> FlashPartName;
    PackedString FilePathOfBootCode;
    DWORD StressTestSize = 0;
    BYTE DisableFilterDrv = 0;
    BYTE AutoRunEnable = 0;
    PackedString FilePathOfFW2;
    BYTE HubDLEnable = 0;
    BYTE FormatNTFSByOS = 0;
    BYTE BackUpFWAndCIS = 0;
    BYTE RunSLTMode = 0;
    BYTE CleanSPI = 0;
    DWORD BurnInCycle = 0;
    DWORD PowerOnOffCycle = 0;
    BYTE Bank1Error = 0;
    BYTE Create112KForHubAnd521 = 0;
    BYTE Create256KForHubAnd522 = 0;
    BYTE BackUpWholeSPIx32K = 0;
    BYTE SetHubHighZ = 0;
    BYTE ChangeCISBitMap = 0;
    DWORD PwrOnOffCnt = 0;
    BYTE QT6180FWOffset64K = 0;
    BYTE SecurityDeviceCnt = 0;
    PackedString SecurityFwFile[8];
};
#pragma pack(pop)

static_assert(sizeof(CISSetting) == 1504);
// Field offsets are taken with offsetof (the key table, the layout test).
static_assert(std::is_standard_layout_v<CISSetting>);
