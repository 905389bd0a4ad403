#include "engine/backup/hub_images.h"

#include <algorithm>

namespace {

DWORD NoSecondCopy(DWORD)
{
    return 0;
}

// A small device image keeps its copy inside the second 64 KiB half.
DWORD SecondCopyOf522(DWORD deviceSize)
{
    return deviceSize <= 0x8000 ? 0x28000 : 0x30000;
}

void Place(std::vector<BYTE>& image, DWORD offset, std::span<const BYTE> data)
{
    std::copy(data.begin(), data.end(), image.begin() + offset);
}

} // namespace

const HubImageLayout HubAnd521Layout{u"HubAnd521.Bin", 0x1C000, 0x10000, 0x10000, 0xC000, NoSecondCopy, "521"};
const HubImageLayout HubAnd522Layout{u"HubAnd522.Bin", 0x40000, 0x10000, 0x20000, 0x10000, SecondCopyOf522, "522"};

std::vector<BYTE> CombineHubImage(const HubImageLayout& layout, std::span<const BYTE> hub, std::span<const BYTE> device)
{
    hub = hub.first(std::min<std::size_t>(hub.size(), layout.hubLimit));
    device = device.first(std::min<std::size_t>(device.size(), layout.deviceLimit));
    std::vector<BYTE> image(layout.imageSize, 0xFF);
    Place(image, 0, hub);
    Place(image, layout.deviceOffset, device);
    if (DWORD second = layout.secondCopyOffset(static_cast<DWORD>(device.size())); second != 0)
        Place(image, second, device);
    return image;
}
