#include "picture.h"

#include "checked.h"
#include "qt_platform.h"

#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <QResource>
#include <QSet>
#include <QtEndian>

#include <algorithm>

namespace platform {

namespace {

quint32 le32(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const uchar* p)
{
    return quint16(p[0] | p[1] << 8);
}

// A bitmap file in the layout of all the game's bitmaps (BITMAPINFOHEADER,
// 24 bits per pixel, uncompressed, rows bottom-up or top-down), converted
// straight into a 32-bit picture: about a tenth of the work of Qt's general
// reader, which converts pixel by pixel through its colour masks. A null
// image for anything else, which is left to Qt's reader.
QImage decodeRgb24Bitmap(const uchar* data, qsizetype size)
{
    constexpr qsizetype kHeaders = 14 + 40;
    if (size < kHeaders || data[0] != 'B' || data[1] != 'M')
        return {};
    const quint32 offset = le32(data + 10);
    const auto width = static_cast<qint32>(le32(data + 18));
    const auto height = static_cast<qint32>(le32(data + 22));
    if (le32(data + 14) != 40 || le16(data + 26) != 1 || le16(data + 28) != 24 || le32(data + 30) != 0
        || width <= 0 || width > 32767 || height == 0 || height > 32767 || height < -32767)
        return {};
    const int rows = height < 0 ? -height : height;
    const qsizetype stride = (qsizetype(width) * 3 + 3) & ~qsizetype(3);
    if (offset < kHeaders || offset > size || (size - offset) / stride < rows)
        return {};
    QImage image(width, rows, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    uchar* const bits = image.bits();
    constexpr quint32 kOpaque = 0xFF000000u;
    for (int y = 0; y < rows; ++y) {
        const uchar* s = data + offset + qsizetype(height > 0 ? rows - 1 - y : y) * stride;
        auto* d = reinterpret_cast<QRgb*>(bits + y * image.bytesPerLine());
        int x = 0;
        // Four pixels (blue, green, red each) are three little-endian words:
        // a = B0 G0 R0 B1, b = G1 R1 B2 G2, c = R2 B3 G3 R3 (lowest byte first).
        for (; x + 4 <= width; x += 4, s += 12) {
            const auto a = qFromLittleEndian<quint32>(s);
            const auto b = qFromLittleEndian<quint32>(s + 4);
            const auto c = qFromLittleEndian<quint32>(s + 8);
            d[x] = kOpaque | (a & 0xFFFFFFu);
            d[x + 1] = kOpaque | a >> 24 | (b & 0xFFFFu) << 8;
            d[x + 2] = kOpaque | b >> 16 | (c & 0xFFu) << 16;
            d[x + 3] = kOpaque | c >> 8;
        }
        for (; x < width; ++x, s += 3)
            d[x] = kOpaque | quint32(s[2]) << 16 | quint32(s[1]) << 8 | s[0];
    }
    return image;
}

// The pictures are the program's own unchanging resources, so each is decoded
// once: the first successful load keeps it, and every load hands out a copy
// that shares its pixels (a box that draws into its copy detaches from it and
// leaves the kept one untouched). A picture that cannot be read is not kept,
// so every load of it fails, the first one included. About 1.2 MiB once every
// picture of the game has been loaded.
Picture load(const QString& path, const QString& what)
{
    static QHash<QString, Picture> kept;
    if (const auto it = kept.constFind(path); it != kept.constEnd())
        return it.value();

    // The resources are stored uncompressed, so their bytes are read in place.
    const QResource resource(path);
    QImage image;
    if (resource.isValid() && resource.compressionAlgorithm() == QResource::NoCompression)
        image = decodeRgb24Bitmap(resource.data(), resource.size());
    if (image.isNull()) {
        // Any other bitmap goes straight to Qt's own BMP reader. Left to guess
        // the format, the reader first loads every image-format plugin
        // installed (and their libraries) to ask each of them.
        const bool bitmap = path.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive);
        QImageReader reader(path, bitmap ? QByteArrayLiteral("bmp") : QByteArray());
        reader.setAutoDetectImageFormat(!bitmap);
        if (!QFile::exists(path) || !reader.read(&image))
            vb::raise(vb::ErrorKind::ResourceNotFound, "resource " + what.toStdString() + " not found");
    }
    return kept.insert(path, qt::FromImage(image)).value();
}

}  // namespace

namespace qt {

namespace {

// The live picture boxes, so that a device context is only ever taken for one.
QSet<const PictureWidget*>& liveBoxes()
{
    static QSet<const PictureWidget*> boxes;
    return boxes;
}

}  // namespace

PictureWidget::PictureWidget(QWidget* parent) : QWidget(parent)
{
    liveBoxes().insert(this);
}

PictureWidget::~PictureWidget()
{
    liveBoxes().remove(this);
}

PictureWidget* PictureWidget::FromDc(Dc dc)
{
    auto* box = reinterpret_cast<PictureWidget*>(dc.handle);
    return liveBoxes().contains(box) ? box : nullptr;
}


void PictureWidget::setImage(const QImage& picture)
{
    if (!picture.isNull() && picture.constBits() == image_.constBits())
        return;  // its own image: nothing changes
    const bool sameStart = !picture.isNull() && picture.cacheKey() == startedFrom_
                           && picture.format() == QImage::Format_RGB32;
    image_ = picture.format() == QImage::Format_RGB32 ? picture
                                                       : picture.convertToFormat(QImage::Format_RGB32);
    if (sameStart) {
        update(drawnOver_);
    } else {
        startedFrom_ = picture.cacheKey();
        update();
    }
    drawnOver_ = QRegion();
}

QImage& PictureWidget::surface(const QRect& area)
{
    update(area);
    drawnOver_ += area;
    return image_;
}

void PictureWidget::paintEvent(QPaintEvent* event)
{
    if (image_.isNull())
        return;
    QPainter painter(this);
    // Whole device pixels: at a device pixel ratio above 1 the picture is
    // enlarged without smoothing, like pixel art should be.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // Rectangle by rectangle: inside one rectangle of the region the image is
    // copied line by line, where the whole region as one clip would send the
    // copy through Qt's clipped span filling (and its thread pool).
    for (const QRect& r : event->region()) {
        painter.setClipRect(r);
        painter.drawImage(r, image_, r);
    }
    if (FocusMarkShown()) {
        painter.setClipRegion(event->region());
        // Three pixels wide along the edge: the highlight colour outside, a
        // white line inside, so that it shows on dark and light pictures.
        const QRect edge = rect();
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::SolidLine, Qt::SquareCap,
                            Qt::MiterJoin));
        painter.drawRect(QRectF(edge).adjusted(1, 1, -1, -1));
        painter.setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawRect(QRectF(edge).adjusted(2.5, 2.5, -2.5, -2.5));
    }
}

void PictureWidget::focusInEvent(QFocusEvent* event)
{
    if (event->reason() != Qt::ActiveWindowFocusReason)
        focusByKey_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    update();
    QWidget::focusInEvent(event);
}

void PictureWidget::mousePressEvent(QMouseEvent* event)
{
    if (focusByKey_) {
        focusByKey_ = false;
        update();
    }
    QWidget::mousePressEvent(event);
}

void PictureWidget::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

}  // namespace qt

bool BitBlt(Dc destDc, int x, int y, int width, int height, Dc sourceDc, int sx, int sy,
            std::uint32_t rop)
{
    qt::PictureWidget* const dest = qt::PictureWidget::FromDc(destDc);
    qt::PictureWidget* const source = qt::PictureWidget::FromDc(sourceDc);
    if (!dest || !source || (rop != SRCPAINT && rop != SRCAND && rop != SRCCOPY))
        return false;
    const QImage& src = source->image();
    if (src.isNull() || dest->image().isNull())
        return false;

    // Clip the rectangle against both images.
    if (x < 0) { sx -= x; width += x; x = 0; }
    if (y < 0) { sy -= y; height += y; y = 0; }
    if (sx < 0) { x -= sx; width += sx; sx = 0; }
    if (sy < 0) { y -= sy; height += sy; sy = 0; }
    const QSize destSize = dest->image().size();
    width = std::min({width, destSize.width() - x, src.width() - sx});
    height = std::min({height, destSize.height() - y, src.height() - sy});
    if (width <= 0 || height <= 0)
        return true;

    // Read the source before taking the destination for writing: a box
    // drawing onto itself then reads the old pixels.
    const QImage srcCopy = (source == dest) ? src.copy() : src;
    QImage& dst = dest->surface(QRect(x, y, width, height));
    // Both are 32-bit images; rows are walked by their strides.
    uchar* const dstBits = dst.bits();
    const uchar* const srcBits = srcCopy.constBits();
    const qsizetype dstStride = dst.bytesPerLine();
    const qsizetype srcStride = srcCopy.bytesPerLine();
    for (int row = 0; row < height; ++row) {
        auto* d = reinterpret_cast<std::uint32_t*>(dstBits + (y + row) * dstStride) + x;
        const auto* s = reinterpret_cast<const std::uint32_t*>(srcBits + (sy + row) * srcStride) + sx;
        switch (rop) {
        case SRCPAINT:
            for (int i = 0; i < width; ++i) d[i] |= s[i];
            break;
        case SRCAND:
            for (int i = 0; i < width; ++i) d[i] &= s[i];
            break;
        case SRCCOPY:
            std::copy(s, s + width, d);
            break;
        default:
            return false;
        }
    }
    return true;
}

Picture LoadResPicture(std::string_view name, int type)
{
    if (type != 0)
        vb::raise(vb::ErrorKind::InvalidProcedureCall, "only bitmap resources exist");
    const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    return load(QStringLiteral(":/res/%1.bmp").arg(text), text);
}

Picture LoadResPicture(std::int32_t id, int type)
{
    return LoadResPicture(std::to_string(id), type);
}

Picture FormPicture(std::string_view fileName)
{
    const QString text = QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size()));
    return load(QStringLiteral(":/forms/") + text, text);
}

int Picture::Width() const
{
    return data_ ? data_->image.width() : 0;
}

int Picture::Height() const
{
    return data_ ? data_->image.height() : 0;
}

std::uint32_t Picture::Pixel(int x, int y) const
{
    if (!data_ || !data_->image.valid(x, y))
        vb::raise(vb::ErrorKind::InvalidProcedureCall, "pixel outside the picture");
    const QRgb c = data_->image.pixel(x, y);
    return std::uint32_t(qRed(c)) | std::uint32_t(qGreen(c)) << 8 | std::uint32_t(qBlue(c)) << 16;
}

void PictureBox::SetPicture(const Picture& picture)
{
    static_cast<qt::PictureWidget*>(Native().widget)->setImage(picture.IsNull() ? QImage()
                                                                                : picture.Data()->image);
}

Picture PictureBox::Image() const
{
    const QImage& image = static_cast<qt::PictureWidget*>(Native().widget)->image();
    return image.isNull() ? Picture() : Picture(std::make_shared<const PictureData>(PictureData{image}));
}

Dc PictureBox::hDC()
{
    return Dc{reinterpret_cast<std::uintptr_t>(static_cast<qt::PictureWidget*>(Native().widget))};
}

namespace qt {

const QImage& Image(const Picture& picture)
{
    static const QImage none;
    return picture.IsNull() ? none : picture.Data()->image;
}

Picture FromImage(const QImage& image)
{
    if (image.isNull())
        return {};
    return Picture(std::make_shared<const PictureData>(
        PictureData{image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32)}));
}

}  // namespace qt

}  // namespace platform
