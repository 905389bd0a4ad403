#include "engine/usb/supported_devices.h"

#include <algorithm>
#include <utility>

namespace {
constexpr WORD OwnRZ520Vendor = 0x2F53;
constexpr WORD SecondVendor = 0x2F60;
constexpr WORD ThirdVendor = 0x2F61;
constexpr WORD FourthVendor = 0x2F62;
constexpr WORD FifthVendor = 0x2F63;
constexpr WORD SixthVendor = 0x2F64;
constexpr WORD SeventhVendor = 0x2F65;
} // namespace

const std::array<UsbDeviceIds, 50> SupportedDeviceTable = {{
    {OwnRZ520Vendor, ChipProductId::RZ520},
    {MakerVendorId, 0x5200},
    {MakerVendorId, ChipProductId::RZ521},
    {MakerVendorId, ChipProductId::RZ522},
    {MakerVendorId, ChipProductId::RZ523},
    {MakerVendorId, ChipProductId::RZ524},
    {MakerVendorId, ChipProductId::RZ525},
    {MakerVendorId, ChipProductId::RZ526},
    {MakerVendorId, 0x5207},
    {MakerVendorId, 0x5210},
    {MakerVendorId, 0x5211},
    {SecondVendor, 0x0001},
    {SecondVendor, 0x0002},
    {SecondVendor, 0x0003},
    {SecondVendor, 0x0004},
    {SecondVendor, 0x0005},
    {ThirdVendor, 0x0010},
    {ThirdVendor, 0x0011},
    {FourthVendor, 0x0020},
    {FourthVendor, 0x0021},
    {FourthVendor, 0x0022},
    {FourthVendor, 0x0023},
    {FifthVendor, 0x0030},
    // One run of 16 product ids with 0x5307 left out.
    {MakerVendorId, 0x5300},
    {MakerVendorId, 0x5301},
    {MakerVendorId, 0x5302},
    {MakerVendorId, 0x5303},
    {MakerVendorId, 0x5304},
    {MakerVendorId, 0x5305},
    {MakerVendorId, 0x5306},
    {MakerVendorId, 0x5308},
    {MakerVendorId, 0x5309},
    {MakerVendorId, 0x530A},
    {MakerVendorId, 0x530B},
    {MakerVendorId, 0x530C},
    {MakerVendorId, 0x530D},
    {MakerVendorId, 0x530E},
    {MakerVendorId, 0x530F},
    {MakerVendorId, 0x5320},
    {MakerVendorId, 0x5321},
    {MakerVendorId, 0x5322},
    {MakerVendorId, 0x5330},
    {MakerVendorId, 0x5332},
    {MakerVendorId, 0x5334},
    {MakerVendorId, 0x5336},
    {MakerVendorId, 0x5338},
    {MakerVendorId, 0x533A},
    {SixthVendor, 0x0040},
    {SixthVendor, 0x0041},
    {SeventhVendor, 0x0050},
}};

ChipModel ChipModelOf(WORD idProduct)
{
    static constexpr std::pair<WORD, ChipModel> Models[] = {
        {ChipProductId::RZ520, ChipModel::RZ520}, {ChipProductId::RZ521, ChipModel::RZ521},
        {ChipProductId::RZ522, ChipModel::RZ522}, {ChipProductId::RZ523, ChipModel::RZ523},
        {ChipProductId::RZ524, ChipModel::RZ524}, {ChipProductId::RZ525, ChipModel::RZ525},
        {ChipProductId::RZ526, ChipModel::RZ526},
    };
    for (auto [id, model] : Models)
        if (id == idProduct)
            return model;
    return ChipModel::None;
}

bool IsSupportedDevice(WORD idVendor, WORD idProduct)
{
    return std::any_of(SupportedDeviceTable.begin(), SupportedDeviceTable.end(),
                       [&](const UsbDeviceIds& row) { return row.idVendor == idVendor && row.idProduct == idProduct; });
}
