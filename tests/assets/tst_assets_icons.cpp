// The program icon (one 8-bit 32 × 32 image on its blue ground) and the
// desktop icons (the same cone on a transparent ground).

#include "picture_files.h"

#include <QImage>
#include <QSet>
#include <QTest>

using velmo::testing::le16;
using velmo::testing::le32;
using velmo::testing::le32s;
using velmo::testing::readAsset;
using velmo::testing::Rgb;

namespace {

bool isBrickRed(const Rgb& c) { return c.r > c.g + 15 && c.g >= c.b - 5 && c.r > c.b + 40; }
bool isBlue(const Rgb& c) { return c.b > c.r + 40 && c.b > c.g; }

Rgb fromQRgb(QRgb p) { return {qRed(p), qGreen(p), qBlue(p)}; }

} // namespace

class TestIcons : public QObject {
    Q_OBJECT

private slots:
    void icoFormat()
    {
        const QByteArray ico = readAsset("velmo.ico");
        QCOMPARE(ico.size(), 6 + 16 + 2216);
        QCOMPARE(le16(ico, 0), 0);
        QCOMPARE(le16(ico, 2), 1);  // icon
        QCOMPARE(le16(ico, 4), 1);  // one image
        QCOMPARE(uchar(ico[6]), 32);
        QCOMPARE(uchar(ico[7]), 32);
        QCOMPARE(uchar(ico[8]), 0);  // 256 colours
        QCOMPARE(uchar(ico[9]), 0);
        QCOMPARE(le16(ico, 10), 1);
        QCOMPARE(le16(ico, 12), 8);
        QCOMPARE(le32(ico, 14), 2216u);
        QCOMPARE(le32(ico, 18), 22u);
        const int h = 22;
        QCOMPARE(le32(ico, h), 40u);
        QCOMPARE(le32s(ico, h + 4), 32);
        QCOMPARE(le32s(ico, h + 8), 64);  // colour and mask rows together
        QCOMPARE(le16(ico, h + 12), 1);
        QCOMPARE(le16(ico, h + 14), 8);
        QCOMPARE(le32(ico, h + 16), 0u);
        QCOMPARE(le32(ico, h + 32), 256u);
        // The AND mask (32 rows of 4 bytes) is zero: the icon is opaque.
        const QByteArray andMask = ico.right(128);
        QCOMPARE(andMask, QByteArray(128, '\0'));
    }

    // Decoded through its colour table: a red-brown cone with its tip near
    // the top centre, on blue that is lightest at the upper left.
    void icoPicture()
    {
        const QByteArray ico = readAsset("velmo.ico");
        QCOMPARE(ico.size(), 2238);
        const int palette = 22 + 40;
        const int pixels = palette + 1024;
        const auto at = [&](int x, int y) {
            const int index = uchar(ico[pixels + (31 - y) * 32 + x]);
            const int p = palette + 4 * index;
            return Rgb{uchar(ico[p + 2]), uchar(ico[p + 1]), uchar(ico[p])};
        };
        QSet<int> used;
        for (int i = 0; i < 1024; ++i) {
            used.insert(uchar(ico[pixels + i]));
        }
        QVERIFY2(used.size() > 32, "the palette should carry the shading");
        const Rgb upperLeft = at(1, 1);
        const Rgb lowerRight = at(30, 30);
        QVERIFY(isBlue(upperLeft));
        QVERIFY(upperLeft.sum() > lowerRight.sum() + 120);
        QVERIFY(isBrickRed(at(15, 24)));
        int tipRow = -1;
        for (int y = 0; y < 32 && tipRow < 0; ++y) {
            for (int x = 0; x < 32; ++x) {
                if (isBrickRed(at(x, y))) {
                    tipRow = y;
                    QVERIFY2(x >= 13 && x <= 18, qPrintable(QString::number(x)));
                    break;
                }
            }
        }
        QVERIFY2(tipRow >= 1 && tipRow <= 6, qPrintable(QString::number(tipRow)));
        // A cone: wider near the base than near the tip.
        const auto width = [&](int y) {
            int n = 0;
            for (int x = 0; x < 32; ++x) {
                n += isBrickRed(at(x, y)) ? 1 : 0;
            }
            return n;
        };
        QVERIFY(width(26) > width(12) + 8);
    }

    void desktopIcons_data()
    {
        QTest::addColumn<int>("size");
        for (int s : {16, 32, 48, 64, 128, 256}) {
            QTest::addRow("%d", s) << s;
        }
    }
    void desktopIcons()
    {
        QFETCH(int, size);
        const QString name = QStringLiteral("icons/hicolor/%1x%1/apps/velmo.png").arg(size);
        const QByteArray png = readAsset(name);
        QVERIFY2(png.startsWith("\x89PNG\r\n\x1a\n"), qPrintable(name));
        QCOMPARE(png.mid(12, 4), QByteArray("IHDR"));
        QCOMPARE(qFromBigEndian<quint32>(png.constData() + 16), quint32(size));
        QCOMPARE(qFromBigEndian<quint32>(png.constData() + 20), quint32(size));
        QImage img;
        QVERIFY(img.loadFromData(png, "PNG"));
        QCOMPARE(img.size(), QSize(size, size));
        img = img.convertToFormat(QImage::Format_ARGB32);
        // The cone stands on a transparent ground, opaque itself, with its
        // tip and the middle of its base where the design puts them.
        for (const QPoint corner : {QPoint(0, 0), QPoint(size - 1, 0), QPoint(0, size - 1), QPoint(size - 1, size - 1)}) {
            QVERIFY2(qAlpha(img.pixel(corner)) == 0, qPrintable(QStringLiteral("corner %1,%2").arg(corner.x()).arg(corner.y())));
        }
        QCOMPARE(qAlpha(img.pixel(1, size / 2)), 0);
        QCOMPARE(qAlpha(img.pixel(size / 2, size / 4)), 255);
        QCOMPARE(qAlpha(img.pixel(size / 2 - 1, size * 3 / 4)), 255);
        QVERIFY(isBrickRed(fromQRgb(img.pixel(size / 2 - 1, size * 3 / 4))));
        // Painted at its own size: a blown-up small icon would repeat each
        // colour in blocks and hold few distinct colours.
        QSet<QRgb> colours;
        int opaque = 0;
        int sameAsLeft = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                if (qAlpha(img.pixel(x, y)) == 255) {
                    ++opaque;
                    colours.insert(img.pixel(x, y));
                    sameAsLeft += (x % 2 == 1 && img.pixel(x, y) == img.pixel(x - 1, y)) ? 1 : 0;
                }
            }
        }
        QVERIFY2(opaque > size * size / 4, qPrintable(QString::number(opaque)));
        if (size >= 64) {
            QVERIFY2(colours.size() > 512, qPrintable(QString::number(colours.size())));
            QVERIFY2(sameAsLeft < opaque / 4, qPrintable(QString::number(sameAsLeft)));
        }
    }
};

QTEST_APPLESS_MAIN(TestIcons)
#include "tst_assets_icons.moc"
