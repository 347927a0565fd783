#include "backend.h"
#include "bitmap.h"
#include "checked.h"
#include "qt_platform.h"

#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QPaintEvent>
#include <QPainter>
#include <QResource>
#include <QSet>

#include <algorithm>

namespace platform {

namespace {

// A bitmap in the layout of all the game's bitmaps, converted straight into
// a 32-bit picture: about a tenth of the work of Qt's general reader, which
// converts pixel by pixel through its colour masks. A null image for
// anything else, which is left to Qt's reader.
QImage decodeRgb24Bitmap(const uchar* data, qsizetype size)
{
    const auto rows = bitmap::FileRows({data, static_cast<std::size_t>(size)});
    if (!rows)
        return {};
    QImage image(rows->width, rows->height, QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < rows->height; ++y)
        bitmap::ConvertRow(*rows, y, reinterpret_cast<std::uint32_t*>(image.scanLine(y)), 0xFF);
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

namespace backend {

int PictureWidth(const PictureData& picture)
{
    return picture.image.width();
}

int PictureHeight(const PictureData& picture)
{
    return picture.image.height();
}

std::uint32_t PicturePixel(const PictureData& picture, int x, int y)
{
    const QRgb c = picture.image.pixel(x, y);
    return std::uint32_t(qRed(c)) | std::uint32_t(qGreen(c)) << 8 | std::uint32_t(qBlue(c)) << 16;
}

void SetBoxPicture(NativeControl& box, const Picture& picture)
{
    static_cast<qt::PictureWidget*>(box.widget)->setImage(qt::Image(picture));
}

Picture BoxImage(const NativeControl& box)
{
    return qt::FromImage(static_cast<qt::PictureWidget*>(box.widget)->image());
}

Dc BoxDc(NativeControl& box)
{
    return Dc{reinterpret_cast<std::uintptr_t>(static_cast<qt::PictureWidget*>(box.widget))};
}

bool DcImageSize(Dc dc, int& width, int& height)
{
    const qt::PictureWidget* box = qt::PictureWidget::FromDc(dc);
    if (!box || box->image().isNull())
        return false;
    width = box->image().width();
    height = box->image().height();
    return true;
}

bool Transfer(Dc destDc, int x, int y, int width, int height, Dc sourceDc, int sx, int sy, std::uint32_t rop)
{
    qt::PictureWidget* const dest = qt::PictureWidget::FromDc(destDc);
    qt::PictureWidget* const source = qt::PictureWidget::FromDc(sourceDc);
    // Read the source before taking the destination for writing: a box
    // drawing onto itself then reads the old pixels.
    const QImage srcCopy = (source == dest) ? source->image().copy() : source->image();
    QImage& dst = dest->surface(QRect(x, y, width, height));
    // Both are 32-bit images; rows are walked by their strides.
    uchar* const dstBits = dst.bits();
    const uchar* const srcBits = srcCopy.constBits();
    const qsizetype dstStride = dst.bytesPerLine();
    const qsizetype srcStride = srcCopy.bytesPerLine();
    for (int row = 0; row < height; ++row) {
        auto* d = reinterpret_cast<std::uint32_t*>(dstBits + (y + row) * dstStride) + x;
        const auto* s = reinterpret_cast<const std::uint32_t*>(srcBits + (sy + row) * srcStride) + sx;
        bitmap::TransferRow(d, s, width, rop);
    }
    return true;
}

Picture LoadResource(const std::string& name)
{
    const QString text = QString::fromStdString(name);
    return load(QStringLiteral(":/res/%1.bmp").arg(text), text);
}

Picture LoadFormPicture(std::string_view fileName)
{
    const QString text = QString::fromUtf8(fileName.data(), static_cast<qsizetype>(fileName.size()));
    return load(QStringLiteral(":/forms/") + text, text);
}

}  // namespace backend

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
