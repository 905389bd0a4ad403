#include "controls/icon_images.h"

#include <QImage>

namespace {

template <class Recolour>
QPixmap Recoloured(const QPixmap& icon, Recolour recolour)
{
    QImage image = icon.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            QRgb pixel = line[x];
            if ((pixel & 0x00FFFFFF) != 0)
                line[x] = recolour(pixel);
        }
    }
    QPixmap copy = QPixmap::fromImage(image);
    copy.setDevicePixelRatio(icon.devicePixelRatio());
    return copy;
}

} // namespace

QPixmap CreateGrayscaleIcon(const QPixmap& icon)
{
    return Recoloured(icon, [](QRgb pixel) {
        int gray = static_cast<int>(0.299 * qRed(pixel) + 0.587 * qGreen(pixel) + 0.114 * qBlue(pixel));
        return qRgba(gray, gray, gray, qAlpha(pixel));
    });
}

QPixmap CreateDarkerIcon(const QPixmap& icon)
{
    return Recoloured(icon, [](QRgb pixel) {
        auto darker = [](int c) { return static_cast<int>(c - 0.25 * c); };
        return qRgba(darker(qRed(pixel)), darker(qGreen(pixel)), darker(qBlue(pixel)), qAlpha(pixel));
    });
}
