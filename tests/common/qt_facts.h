// The shared facts in Qt's terms, and the Qt widgets behind the game's
// controls, for the tests of the Qt build.
#pragma once

#include "facts.h"
#include "picture.h"
#include "qt_platform.h"

#include <QImage>
#include <QString>

namespace facts {

inline QImage toImage(const Bitmap& bitmap)
{
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB32);
    for (int y = 0; y < bitmap.height; ++y)
        for (int x = 0; x < bitmap.width; ++x) {
            const std::uint32_t c = bitmap.at(x, y);
            image.setPixel(x, y, qRgb(int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)));
        }
    return image;
}

inline Bitmap toBitmap(const QImage& image)
{
    Bitmap bitmap{image.width(), image.height(),
                  std::vector<std::uint32_t>(std::size_t(image.width()) * std::size_t(image.height()))};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            bitmap.at(x, y) = std::uint32_t(qRed(c)) | std::uint32_t(qGreen(c)) << 8 | std::uint32_t(qBlue(c)) << 16;
        }
    return bitmap;
}

// The board composite for these pegs, from the committed bitmaps.
inline QImage expectedBoard(const Pegs& pegs)
{
    return toImage(boardComposite(pegs, VELMO_ASSETS_DIR));
}

}  // namespace facts

#define COMPARE_BOARD(actual, expected)                                                        \
    do {                                                                                       \
        const std::string diff_ = facts::difference(facts::toBitmap(actual), facts::toBitmap(expected)); \
        QVERIFY2(diff_.empty(), diff_.c_str());                                                \
    } while (false)
