// Every picture the program names exists at its size, and toolbar bitmaps keep magenta
// for transparency only: no edge pixel is tinted by it.
#include "resources/icons.h"
#include "resources/resource_ids.h"

#include <QImage>

#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(Pictures, IconsAreDrawnWithTransparentBackground)
{
    const UINT ids[] = {res::IDI_IDLE_CHIP_16, res::IDI_IDLE_FLASH_16, res::IDI_SUCCESS_16, res::IDI_REDO_16, res::IDI_FAIL_16,
                        res::IDI_IDLE_CHIP_1,  res::IDI_IDLE_FLASH_1,  res::IDI_SUCCESS_1,  res::IDI_REDO_1,  res::IDI_FAIL_1,
                        res::IDI_IDLE_CHIP_8,  res::IDI_IDLE_FLASH_8,  res::IDI_SUCCESS_8,  res::IDI_REDO_8,  res::IDI_FAIL_8};
    std::vector<QImage> drawn;
    for (UINT id : ids) {
        QImage icon = res::LoadIconResource(id).toImage();
        ASSERT_EQ(icon.size(), QSize(48, 48)) << id;
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << id;
        EXPECT_EQ(qAlpha(icon.pixel(24, 24)), 255) << id;
        for (const QImage& other : drawn)
            EXPECT_NE(icon, other) << id << ": every icon id has a picture of its own, so a view's set can be told apart";
        drawn.push_back(icon);
    }
    EXPECT_TRUE(res::LoadIconResource(res::IDB_SETTING).isNull()) << "a bitmap is no icon";
}

TEST(Pictures, ToolbarBitmapsAreOpaqueOnPureMagenta)
{
    for (UINT id : {res::IDB_SETTING, res::IDB_ENUMERATE, res::IDB_DETAIL_VIEW, res::IDB_AUTO_RUN, res::IDB_RUN_STOP}) {
        QImage bitmap = res::LoadBitmapResource(id).toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(bitmap.size(), QSize(48, 48)) << id;
        EXPECT_EQ(bitmap.pixel(0, 0), qRgb(255, 0, 255)) << id;
        int picture = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 48; ++x) {
                QRgb pixel = bitmap.pixel(x, y);
                if (pixel == qRgb(255, 0, 255))
                    continue;
                ++picture;
                bool nearMagenta = qRed(pixel) > 200 && qBlue(pixel) > 200 && qGreen(pixel) < 100;
                EXPECT_FALSE(nearMagenta) << id << " at " << x << "," << y;
            }
        EXPECT_GT(picture, 300) << id;
    }
}

TEST(Pictures, DeviceListStripHasItsTwoRowImagesOnWhite)
{
    QImage strip = res::LoadBitmapResource(res::IDB_DEVICE_LIST).toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(strip.size(), QSize(res::kListImageSize * res::kListImageCount, res::kListImageSize));
    const QRgb white = qRgb(255, 255, 255);
    for (int slot = 0; slot < res::kListImageCount; ++slot) {
        int picture = 0;
        for (int y = 0; y < res::kListImageSize; ++y)
            for (int x = slot * res::kListImageSize; x < (slot + 1) * res::kListImageSize; ++x)
                picture += strip.pixel(x, y) != white ? 1 : 0;
        if (slot == 0)
            EXPECT_EQ(picture, 0) << "slot 0 is not used";
        else
            EXPECT_GT(picture, 100) << slot;
    }
}

} // namespace
