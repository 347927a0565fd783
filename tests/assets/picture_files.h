// Reading the committed picture files byte by byte, independently of the
// painter that wrote them and of Qt's image decoders.
#pragma once

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

// A 24-bit bottom-up BMP file as stored: pixel (x, y) counts y from the
// top of the picture as displayed.
class Bmp {
public:
    explicit Bmp(const QString& name) : raw_(readAsset(name)) {}

    bool loaded() const { return raw_.size() >= 54; }
    const QByteArray& raw() const { return raw_; }
    int width() const { return le32s(raw_, 18); }
    int height() const { return le32s(raw_, 22); }
    int stride() const { return (width() * 3 + 3) / 4 * 4; }
    int dataOffset() const { return static_cast<int>(le32(raw_, 10)); }
    // Byte offset of the first byte of picture row y (0 = top row).
    int rowOffset(int y) const { return dataOffset() + (height() - 1 - y) * stride(); }
    Rgb at(int x, int y) const
    {
        const auto* p = reinterpret_cast<const uchar*>(raw_.constData()) + rowOffset(y) + 3 * x;
        return {p[2], p[1], p[0]};
    }

private:
    QByteArray raw_;
};

} // namespace velmo::testing
