#include "resources/icons.h"

#include "resources/icons/painters.h"
#include "resources/resource_ids.h"

#include <QImage>
#include <QPainter>

#include <map>
#include <mutex>
#include <span>

namespace res {
namespace {

using Painter = void (*)(QPainter&);

constexpr QRgb kMagenta = 0xFFFF00FF;
constexpr QRgb kWhite = 0xFFFFFFFF;

struct ImageEntry {
    UINT id;
    Painter paint;
    int width = kIconSize;
    int height = kIconSize;
    QRgb transparent = kMagenta; // the bitmap's background
};

// The views' icon sets share their pictures; each set is drawn at the scale of its tiles,
// so that every id has an image of its own.
template <Painter Paint, int Percent>
void Scaled(QPainter& painter)
{
    const qreal scale = Percent / 100.0;
    painter.translate(kIconSize / 2.0, kIconSize / 2.0);
    painter.scale(scale, scale);
    painter.translate(-kIconSize / 2.0, -kIconSize / 2.0);
    Paint(painter);
}

constexpr int kLargeTiles = 110; // 1- and 4-port views
constexpr int kMiddleTiles = 92; // 8-port view

constexpr ImageEntry kIcons[] = {
    {IDR_MAINFRAME, icons::PaintApplication},
    {IDI_IDLE_CHIP_16, icons::PaintIdleChip}, {IDI_IDLE_FLASH_16, icons::PaintIdleFlashDrive},
    {IDI_SUCCESS_16, icons::PaintSuccess},    {IDI_REDO_16, icons::PaintRedo},
    {IDI_FAIL_16, icons::PaintFailure},
    {IDI_IDLE_CHIP_1, Scaled<icons::PaintIdleChip, kLargeTiles>},
    {IDI_IDLE_FLASH_1, Scaled<icons::PaintIdleFlashDrive, kLargeTiles>},
    {IDI_SUCCESS_1, Scaled<icons::PaintSuccess, kLargeTiles>},
    {IDI_REDO_1, Scaled<icons::PaintRedo, kLargeTiles>},
    {IDI_FAIL_1, Scaled<icons::PaintFailure, kLargeTiles>},
    {IDI_IDLE_CHIP_8, Scaled<icons::PaintIdleChip, kMiddleTiles>},
    {IDI_IDLE_FLASH_8, Scaled<icons::PaintIdleFlashDrive, kMiddleTiles>},
    {IDI_SUCCESS_8, Scaled<icons::PaintSuccess, kMiddleTiles>},
    {IDI_REDO_8, Scaled<icons::PaintRedo, kMiddleTiles>},
    {IDI_FAIL_8, Scaled<icons::PaintFailure, kMiddleTiles>},
};

constexpr ImageEntry kBitmaps[] = {
    {IDB_SETTING, icons::PaintSetting},       {IDB_ENUMERATE, icons::PaintEnumerate}, {IDB_DETAIL_VIEW, icons::PaintDetailView},
    {IDB_AUTO_RUN, icons::PaintAutoRun},      {IDB_RUN_STOP, icons::PaintRunStop},
    {IDB_DEVICE_LIST, icons::PaintDeviceListImages, kListImageSize * kListImageCount, kListImageSize, kWhite},
};

const ImageEntry* FindEntry(std::span<const ImageEntry> table, UINT id)
{
    for (const ImageEntry& entry : table)
        if (entry.id == id)
            return &entry;
    return nullptr;
}

QImage Draw(const ImageEntry& entry)
{
    QImage image(entry.width, entry.height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    entry.paint(painter);
    return image;
}

// A bitmap has no alpha: what the picture covers at least half is opaque, the rest is
// the colour that marks transparent pixels (blending edges into it would tint them).
QImage OnBackground(const QImage& picture, QRgb transparent)
{
    QImage bitmap(picture.size(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            QRgb pixel = picture.pixel(x, y);
            bitmap.setPixel(x, y, qAlpha(pixel) >= 128 ? qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel)) : transparent);
        }
    return bitmap;
}

// Images, not pixmaps, are kept: they may outlive the application object at exit.
class ImageCache {
public:
    QPixmap Get(const ImageEntry& entry, bool opaque)
    {
        std::lock_guard guard(lock_);
        auto found = images_.find(entry.id);
        if (found == images_.end()) {
            QImage image = Draw(entry);
            found = images_.emplace(entry.id, opaque ? OnBackground(image, entry.transparent) : image).first;
        }
        return QPixmap::fromImage(found->second);
    }

private:
    std::mutex lock_;
    std::map<UINT, QImage> images_;
};

} // namespace

QPixmap LoadIconResource(UINT id)
{
    static ImageCache cache;
    const ImageEntry* entry = FindEntry(kIcons, id);
    return entry != nullptr ? cache.Get(*entry, false) : QPixmap();
}

QPixmap LoadBitmapResource(UINT id)
{
    static ImageCache cache;
    const ImageEntry* entry = FindEntry(kBitmaps, id);
    return entry != nullptr ? cache.Get(*entry, true) : QPixmap();
}

} // namespace res
