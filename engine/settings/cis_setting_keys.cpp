#include "engine/settings/cis_setting_keys.h"

#include "engine/ini/hex_text.h"
#include "platform/text/text.h"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace {

constexpr std::size_t Image(std::size_t offset)
{
    return offsetof(CISSetting, CISImage) + offset;
}

char* ImageText(CISSetting& setting, std::size_t offset)
{
    return reinterpret_cast<char*>(setting.CISImage.bytes + offset);
}

WORD HexId(const PackedString& text)
{
    return static_cast<WORD>(HexTextToUInt64(text, text.size(), 2));
}

// The identity texts, copied into their places of the image once all of them are read.
void DeriveImageIdentity(CISSetting& setting)
{
    using platform::FieldEnd;
    platform::CopyWideToField(ImageText(setting, cis::kMark), cis::kMarkSize, setting.CIS_Mark, FieldEnd::ZeroFilled);
    setting.CISImage.SetWord(cis::kUsbVendorId, HexId(setting.USB_VID));
    setting.CISImage.SetWord(cis::kUsbProductId, HexId(setting.USB_PID));
    platform::CopyWideToField(ImageText(setting, cis::kInquiryVendor), cis::kInquiryVendorSize, setting.Inquiry_VID,
                              FieldEnd::ZeroFilled);
    platform::CopyWideToField(ImageText(setting, cis::kInquiryProduct), cis::kInquiryProductSize, setting.Inquiry_PID,
                              FieldEnd::ZeroFilled);
    StoreLowBytes(setting.CISImage.bytes + cis::kManufacturer, cis::kUsbStringSize, setting.ManufactureStr);
    StoreLowBytes(setting.CISImage.bytes + cis::kProduct, cis::kUsbStringSize, setting.ProductStr);
}

void StorePassword(CISSetting& setting)
{
    StoreLowBytes(setting.CISImage.bytes + cis::kPassword, cis::kPasswordSize, setting.PassWordStr);
}

// Read only to be reset: every load starts the count again.
void ClearPowerCycleCount(CISSetting& setting)
{
    setting.PwrOnOffCnt = 0;
}

// No operation uses the retry counts; the file always gets the station's fixed value.
constexpr INT kSavedRetryCount = 3;

constexpr CisSettingKey kKeys[] = {
    {nullptr, KeyForm::Hex32, offsetof(CISSetting, TestProcedureMask)},
    {u"FilePathOfFW", KeyForm::Text, offsetof(CISSetting, FilePathOfFW)},
    {u"FilePathOfBootCode", KeyForm::Text, offsetof(CISSetting, FilePathOfBootCode)},
    {u"FilePathOfFWBackup", KeyForm::Text, offsetof(CISSetting, FilePathOfFWBackup)},
    {u"USB_VID", KeyForm::Text, offsetof(CISSetting, USB_VID)},
    {u"USB_PID", KeyForm::Text, offsetof(CISSetting, USB_PID)},
    {u"SerialNumberX", KeyForm::Hex64, offsetof(CISSetting, SerialNumberX)},
    {u"SerialNumberY", KeyForm::Decimal, offsetof(CISSetting, SerialNumberY)},
    {u"SNType", KeyForm::Decimal, offsetof(CISSetting, SNType)},
    {u"SNInterval", KeyForm::Decimal, offsetof(CISSetting, SNInterval)},
    {u"SNMask", KeyForm::Text, offsetof(CISSetting, SNMask)},
    {u"DecCheck", KeyForm::Decimal, offsetof(CISSetting, DecCheck)},
    {u"TargetStoreMedia", KeyForm::Decimal, offsetof(CISSetting, TargetStoreMedia)},
    {u"CIS_Mark", KeyForm::Text, offsetof(CISSetting, CIS_Mark), u"VD3CIS"},
    {u"Inquiry_VID", KeyForm::Text, offsetof(CISSetting, Inquiry_VID)},
    {u"Inquiry_PID", KeyForm::Text, offsetof(CISSetting, Inquiry_PID)},
    {u"ProductStr", KeyForm::Text, offsetof(CISSetting, ProductStr)},
    {u"ManufactureStr", KeyForm::Text, offsetof(CISSetting, ManufactureStr)},
    {u"LunStartLBA[0]", KeyForm::Hex32, Image(cis::kLunStartLba + 0)},
    {u"LunStartLBA[1]", KeyForm::Hex32, Image(cis::kLunStartLba + 4)},
    {u"LunStartLBA[2]", KeyForm::Hex32, Image(cis::kLunStartLba + 8)},
    {u"LunStartLBA[3]", KeyForm::Hex32, Image(cis::kLunStartLba + 12)},
    {u"LunCapacity[0]", KeyForm::Hex32, Image(cis::kLunCapacity + 0)},
    {u"LunCapacity[1]", KeyForm::Hex32, Image(cis::kLunCapacity + 4)},
    {u"LunCapacity[2]", KeyForm::Hex32, Image(cis::kLunCapacity + 8)},
    {u"LunCapacity[3]", KeyForm::Hex32, Image(cis::kLunCapacity + 12)},
    {u"LunAttribute[0]", KeyForm::HexByte, Image(cis::kLunAttribute + 0)},
    {u"LunAttribute[1]", KeyForm::HexByte, Image(cis::kLunAttribute + 1)},
    {u"LunAttribute[2]", KeyForm::HexByte, Image(cis::kLunAttribute + 2)},
    {u"LunAttribute[3]", KeyForm::HexByte, Image(cis::kLunAttribute + 3)},
    {u"LunType[0]", KeyForm::HexByte, Image(cis::kLunType + 0)},
    {u"LunType[1]", KeyForm::HexByte, Image(cis::kLunType + 1)},
    {u"LunType[2]", KeyForm::HexByte, Image(cis::kLunType + 2)},
    {u"LunType[3]", KeyForm::HexByte, Image(cis::kLunType + 3)},
    {u"SysStartLBA", KeyForm::Hex32, Image(cis::kSysStartLba)},
    {u"SysCapacity", KeyForm::Hex32, Image(cis::kSysCapacity)},
    {u"USB_MaxLUN", KeyForm::DecimalByte, Image(cis::kUsbMaxLun)},
    {u"LED_CTL0", KeyForm::HexByte, Image(cis::kLedCtl0)},
    {.name = u"LED_CTL1", .form = KeyForm::HexByte, .offset = Image(cis::kLedCtl1), .afterLoad = DeriveImageIdentity},
    {.name = u"FWDownLoadRetryCount", .form = KeyForm::Decimal, .offset = offsetof(CISSetting, FWDownLoadRetryCount),
     .savedValue = kSavedRetryCount},
    {.name = u"CISDownLoadRetryCount", .form = KeyForm::Decimal, .offset = offsetof(CISSetting, CISDownLoadRetryCount),
     .savedValue = kSavedRetryCount},
    {u"LunTypeBitMap", KeyForm::Hex32, offsetof(CISSetting, LunTypeBitMap)},
    {u"SourcePublicLunPath", KeyForm::Text, offsetof(CISSetting, SourcePublicLunPath)},
    {u"ImagePublicLunPath", KeyForm::Text, offsetof(CISSetting, ImagePublicLunPath)},
    {u"SourceSecurityLunPath", KeyForm::Text, offsetof(CISSetting, SourceSecurityLunPath)},
    {u"ImageSecurityLunPath", KeyForm::Text, offsetof(CISSetting, ImageSecurityLunPath)},
    {u"SourceIso9660LunPath", KeyForm::Text, offsetof(CISSetting, SourceIso9660LunPath)},
    {u"ImageIso9660LunPath", KeyForm::Text, offsetof(CISSetting, ImageIso9660LunPath)},
    {u"SourceHiddenLunPath", KeyForm::Text, offsetof(CISSetting, SourceHiddenLunPath)},
    {u"ImageHiddenLunPath", KeyForm::Text, offsetof(CISSetting, ImageHiddenLunPath)},
    {u"VolumeLable[0]", KeyForm::Text, offsetof(CISSetting, VolumeLable[0])},
    {u"VolumeLable[1]", KeyForm::Text, offsetof(CISSetting, VolumeLable[1])},
    {u"VolumeLable[2]", KeyForm::Text, offsetof(CISSetting, VolumeLable[2])},
    {u"VolumeLable[3]", KeyForm::Text, offsetof(CISSetting, VolumeLable[3])},
    {u"ImageType[0]", KeyForm::HexByte, offsetof(CISSetting, ImageType[0])},
    {u"ImageType[1]", KeyForm::HexByte, offsetof(CISSetting, ImageType[1])},
    {u"ImageType[2]", KeyForm::HexByte, offsetof(CISSetting, ImageType[2])},
    {u"ImageType[3]", KeyForm::HexByte, offsetof(CISSetting, ImageType[3])},
    {u"LogFilePath", KeyForm::Text, offsetof(CISSetting, LogFilePath)},
    {u"FormatLunBitMap", KeyForm::HexByte, offsetof(CISSetting, FormatLunBitMap)},
    {.name = u"PassWordStr", .form = KeyForm::Text, .offset = offsetof(CISSetting, PassWordStr),
     .afterLoad = StorePassword},
    {u"StressTestSize", KeyForm::Hex32, offsetof(CISSetting, StressTestSize)},
    {u"DisableFilterDrv", KeyForm::HexByte, offsetof(CISSetting, DisableFilterDrv)},
    {u"AutoRunEnable", KeyForm::HexByte, offsetof(CISSetting, AutoRunEnable)},
    {u"FilePathOfFW2", KeyForm::Text, offsetof(CISSetting, FilePathOfFW2)},
    {u"HubDLEnable", KeyForm::HexByte, offsetof(CISSetting, HubDLEnable)},
    {u"FormatNTFSByOS", KeyForm::HexByte, offsetof(CISSetting, FormatNTFSByOS)},
    {u"BackUpFWAndCIS", KeyForm::HexByte, offsetof(CISSetting, BackUpFWAndCIS)},
    {u"RunSLTMode", KeyForm::HexByte, offsetof(CISSetting, RunSLTMode)},
    {u"CleanSPI", KeyForm::HexByte, offsetof(CISSetting, CleanSPI)},
    {u"BurnInCycle", KeyForm::Hex32, offsetof(CISSetting, BurnInCycle)},
    {u"PowerOnOffCycle", KeyForm::Hex32, offsetof(CISSetting, PowerOnOffCycle)},
    {u"Bank1Error", KeyForm::HexByte, offsetof(CISSetting, Bank1Error)},
    {u"Create112KForHubAnd521", KeyForm::HexByte, offsetof(CISSetting, Create112KForHubAnd521)},
    {u"Create256KForHubAnd522", KeyForm::HexByte, offsetof(CISSetting, Create256KForHubAnd522)},
    {u"BackUpWholeSPIx32K", KeyForm::HexByte, offsetof(CISSetting, BackUpWholeSPIx32K)},
    {u"SetHubHighZ", KeyForm::HexByte, offsetof(CISSetting, SetHubHighZ)},
    {u"ChangeCISBitMap", KeyForm::HexByte, offsetof(CISSetting, ChangeCISBitMap)},
    {.name = u"PwrOnOffCnt", .form = KeyForm::Hex32, .offset = offsetof(CISSetting, PwrOnOffCnt),
     .afterLoad = ClearPowerCycleCount},
    {u"QT6180FWOffset64K", KeyForm::HexByte, offsetof(CISSetting, QT6180FWOffset64K)},
    {u"SecurityDeviceCnt", KeyForm::HexByte, offsetof(CISSetting, SecurityDeviceCnt)},
    {u"SecurityFwFile1", KeyForm::Text, offsetof(CISSetting, SecurityFwFile[1])},
    {u"SecurityFwFile2", KeyForm::Text, offsetof(CISSetting, SecurityFwFile[2])},
    {u"SecurityFwFile3", KeyForm::Text, offsetof(CISSetting, SecurityFwFile[3])},
    {u"SecurityFwFile4", KeyForm::Text, offsetof(CISSetting, SecurityFwFile[4])},
    {u"SecurityFwFile5", KeyForm::Text, offsetof(CISSetting, SecurityFwFile[5])},
    {u"SecurityFwFile6", KeyForm::Text, offsetof(CISSetting, SecurityFwFile[6])},
    {u"SecurityFwFile7", KeyForm::Text, offsetof(CISSetting, SecurityFwFile[7])},
};
static_assert(std::size(kKeys) == 88);

constexpr std::size_t kCisMarkRow = 13;
static_assert(std::u16string_view(kKeys[kCisMarkRow].name) == u"CIS_Mark");

// The fields are reached by their offsets in the packed record: scalars are copied in and
// out byte-wise; string fields are 1-aligned handles and can be used in place.
template <class T>
T Load(const CISSetting& setting, std::size_t offset)
{
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&setting) + offset, sizeof value);
    return value;
}

template <class T>
void Store(CISSetting& setting, std::size_t offset, T value)
{
    std::memcpy(reinterpret_cast<unsigned char*>(&setting) + offset, &value, sizeof value);
}

PackedString& TextAt(CISSetting& setting, std::size_t offset)
{
    return *reinterpret_cast<PackedString*>(reinterpret_cast<unsigned char*>(&setting) + offset);
}

const PackedString& TextAt(const CISSetting& setting, std::size_t offset)
{
    return *reinterpret_cast<const PackedString*>(reinterpret_cast<const unsigned char*>(&setting) + offset);
}

} // namespace

std::span<const CisSettingKey> CisSettingKeys()
{
    return kKeys;
}

std::vector<const CisSettingKey*> CisSettingSaveOrder()
{
    std::vector<const CisSettingKey*> order{&kKeys[0], &kKeys[kCisMarkRow]};
    for (std::size_t row = 1; row < std::size(kKeys); ++row)
        if (row != kCisMarkRow)
            order.push_back(&kKeys[row]);
    return order;
}

const char16_t* KeyName(const CisSettingKey& key, bool flashDriveMode)
{
    if (key.name != nullptr)
        return key.name;
    return flashDriveMode ? u"PenDriveTestProcedureMask" : u"HDTestProcedureMask";
}

void LoadCisSettingKey(const CisSettingKey& key, const char16_t* name, const CIniFile& ini, CISSetting& setting)
{
    const char16_t* section = kCisSettingSection;
    switch (key.form) {
    case KeyForm::Text:
        TextAt(setting, key.offset) = ini.GetString(section, name, key.textDefault);
        break;
    case KeyForm::Decimal:
        Store<INT>(setting, key.offset, ini.GetInt(section, name, 0));
        break;
    case KeyForm::DecimalByte:
        Store<BYTE>(setting, key.offset, static_cast<BYTE>(ini.GetInt(section, name, 0)));
        break;
    case KeyForm::Hex32:
        Store<DWORD>(setting, key.offset, ini.GetHex32(section, name, 0));
        break;
    case KeyForm::Hex64:
        Store<ULONGLONG>(setting, key.offset, ini.GetHex64(section, name, 0));
        break;
    case KeyForm::HexByte:
        Store<BYTE>(setting, key.offset, ini.GetHexByte(section, name, 0));
        break;
    }
    if (key.afterLoad != nullptr)
        key.afterLoad(setting);
}

void SaveCisSettingKey(const CisSettingKey& key, const char16_t* name, const CISSetting& setting, CIniFile& ini)
{
    const char16_t* section = kCisSettingSection;
    switch (key.form) {
    case KeyForm::Text:
        ini.WriteString(section, name, TextAt(setting, key.offset));
        break;
    case KeyForm::Decimal:
        ini.WriteInt(section, name, key.savedValue.value_or(Load<INT>(setting, key.offset)));
        break;
    case KeyForm::DecimalByte:
        ini.WriteInt(section, name, Load<BYTE>(setting, key.offset));
        break;
    case KeyForm::Hex32:
        ini.WriteHex32(section, name, Load<DWORD>(setting, key.offset));
        break;
    case KeyForm::Hex64:
        ini.WriteHex64(section, name, Load<ULONGLONG>(setting, key.offset));
        break;
    case KeyForm::HexByte:
        ini.WriteHexByte(section, name, Load<BYTE>(setting, key.offset));
        break;
    }
}
