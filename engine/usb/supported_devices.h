// The USB devices chip mode drives, searched in row order, and the chip models that
// seven of their product ids select.
#pragma once

#include "platform/base/wintypes.h"

#include <array>

struct UsbDeviceIds {
    WORD idVendor = 0;
    WORD idProduct = 0;

    bool operator==(const UsbDeviceIds&) const = default;
};

constexpr WORD MakerVendorId = 0x2F52;

// The seven model ids; the RZ520 id is numerically the largest, and rules such as
// "not below the RZ522 id" compare by numeric order.
namespace ChipProductId {
constexpr WORD RZ520 = 0x7520;
constexpr WORD RZ521 = 0x5201;
constexpr WORD RZ522 = 0x5202;
constexpr WORD RZ523 = 0x5203;
constexpr WORD RZ524 = 0x5204;
constexpr WORD RZ525 = 0x5205;
constexpr WORD RZ526 = 0x5206;
} // namespace ChipProductId

enum class ChipModel { None, RZ520, RZ521, RZ522, RZ523, RZ524, RZ525, RZ526 };

extern const std::array<UsbDeviceIds, 50> SupportedDeviceTable;

// The product id alone decides the model; any other id selects none.
ChipModel ChipModelOf(WORD idProduct);
bool IsSupportedDevice(WORD idVendor, WORD idProduct);
