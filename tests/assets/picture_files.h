// Reading the committed picture files byte by byte, independently of the
// painter that wrote them and of Qt's image decoders.
#pragma once

#include "facts.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtEndian>

#include <cstdint>

namespace velmo::testing {

inline QString assetPath(const QString& name) { return QStringLiteral(VELMO_ASSETS_DIR "/") + name; }

inline QByteArray readAsset(const QString& name)
{
    QFile f(assetPath(name));
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return f.readAll();
}

inline std::uint16_t le16(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}
inline std::uint32_t le32(const QByteArray& b, int at)
{
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}
inline std::int32_t le32s(const QByteArray& b, int at) { return static_cast<std::int32_t>(le32(b, at)); }

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    int sum() const { return r + g + b; }
    bool isWhite() const { return r == 255 && g == 255 && b == 255; }
};

// A committed BMP file: its bytes as stored, for the header and the raw rows,
// and its pixels as the tests' shared reader decodes them. Pixel (x, y)
// counts y from the top of the picture as displayed.
class Bmp {
public:
    explicit Bmp(const QString& name) : raw_(readAsset(name)), pixels_(facts::readBmp(assetPath(name).toStdString())) {}

    bool loaded() const { return pixels_.width > 0; }
    const QByteArray& raw() const { return raw_; }
    int stride() const { return (pixels_.width * 3 + 3) / 4 * 4; }
    int dataOffset() const { return static_cast<int>(le32(raw_, 10)); }
    Rgb at(int x, int y) const
    {
        const std::uint32_t c = pixels_.at(x, y);
        return {int(c & 0xFF), int(c >> 8 & 0xFF), int(c >> 16 & 0xFF)};
    }

private:
    QByteArray raw_;
    facts::Bitmap pixels_;
};

} // namespace velmo::testing
