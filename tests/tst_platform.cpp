// The runtime layer: resource pictures, bitwise transfers, picture boxes,
// fonts and colours, ending the program and reporting run-time errors.
#include "app.h"
#include "forms.h"
#include "picture.h"
#include "runtime.h"
#include "seams.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QResource>
#include <QTest>

#include <limits>
#include <tuple>
#include <utility>

using platform::BitBlt;
using platform::PictureBox;

namespace {

QImage randomImage(int w, int h, quint32 seed)
{
    QImage image(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, 0xFF000000u | (rng.generate() & 0xFFFFFFu));
    return image;
}

// A bitmap as Qt's own BMP reader decodes it (no image-format plugin asked).
QImage qtReader(const QString& path)
{
    QImageReader reader(path, "bmp");
    reader.setAutoDetectImageFormat(false);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { platform::InstallFontSubstitutions(); }

    void resourcePictures_data();
    void resourcePictures();
    void unknownResourceIsRuntimeError();
    void bitmapsLoadNoImagePlugins();  // before anything reads the icon
    void formPictures();

    void transfersAreBitwise();
    void transfersClipToBothImages();
    void transferOntoItself();
    void pictureBoxKeepsImageWhileHidden();
    void assigningOwnImageSharesTheBuffer();

    void fontsAndColours();
    void fixedWindow();
    void appInformation();

    void endClosesEverything();
    void runtimeErrorIsReported();
    void runtimeErrorEndsTheProcess();
};

void TestPlatform::resourcePictures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("BACK") << QStringLiteral("BACK") << QSize(480, 360);
    for (int s = 1; s <= 7; ++s) {
        QTest::newRow(qPrintable(QString::number(100 + s))) << QString::number(100 + s) << QSize(120, 30);
        QTest::newRow(qPrintable(QString::number(200 + s))) << QString::number(200 + s) << QSize(120, 30);
    }
}

void TestPlatform::resourcePictures()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);
    bool numeric = false;
    const int id = name.toInt(&numeric);
    const platform::Picture picture =
        numeric ? platform::LoadResPicture(id, 0) : platform::LoadResPicture(name, 0);
    QCOMPARE(picture.size(), size);
    QCOMPARE(picture.format(), QImage::Format_RGB32);
    // The same pixels as Qt's own reader gives.
    QCOMPARE(picture, qtReader(QStringLiteral(":/res/%1.bmp").arg(name)));
    // Stored as it is read: no inflating on each of the redraw's loads.
    QCOMPARE(QResource(QStringLiteral(":/res/%1.bmp").arg(name)).compressionAlgorithm(),
             QResource::NoCompression);
    // Decoded once: a later lookup shares the pixels, and drawing into one
    // copy changes neither the kept picture nor the next lookup.
    platform::Picture again =
        numeric ? platform::LoadResPicture(id, 0) : platform::LoadResPicture(name, 0);
    QCOMPARE(again.constBits(), picture.constBits());
    again.fill(Qt::black);
    const platform::Picture third =
        numeric ? platform::LoadResPicture(id, 0) : platform::LoadResPicture(name, 0);
    QCOMPARE(third, picture);
    QVERIFY(third != again);
}

void TestPlatform::unknownResourceIsRuntimeError()
{
    // A failed load is not remembered as a picture: the next one fails too.
    for (int attempt = 0; attempt < 2; ++attempt) {
        for (int id : {0, 100, 108, 200, 208, 999, -101}) {
            try {
                platform::LoadResPicture(id, 0);
                QFAIL(qPrintable(QStringLiteral("resource %1 loaded").arg(id)));
            } catch (const vb::RuntimeError& e) {
                QCOMPARE(e.kind(), vb::ErrorKind::ResourceNotFound);
            }
        }
    }
    QVERIFY_THROWS_EXCEPTION(vb::RuntimeError, platform::LoadResPicture(QStringLiteral("back"), 0));
    QVERIFY_THROWS_EXCEPTION(vb::RuntimeError, platform::LoadResPicture(101, 1));
}

void TestPlatform::bitmapsLoadNoImagePlugins()
{
#ifndef Q_OS_LINUX
    QSKIP("reads the process's memory map");
#else
    // Bitmaps are decoded by Qt's own reader: no image-format plugin (nor
    // the libraries behind it) has to be loaded for the board or the start
    // dialog.
    platform::LoadResPicture(QStringLiteral("BACK"), 0);
    for (int id : {101, 107, 201, 207})
        platform::LoadResPicture(id, 0);
    platform::FormPicture(QStringLiteral("title.bmp"));
    platform::FormPicture(QStringLiteral("arrow-a.bmp"));
    QFile maps(QStringLiteral("/proc/self/maps"));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    for (const QByteArray& line : maps.readAll().split('\n'))
        QVERIFY2(!line.contains("/imageformats/"), line.constData());
#endif
}

void TestPlatform::formPictures()
{
    const std::pair<const char*, QSize> pictures[] = {
        {"title.bmp", {320, 240}},
        {"arrow-a.bmp", {40, 20}},
        {"arrow-b.bmp", {40, 20}},
        {"arrow-c.bmp", {40, 20}},
        {"arrow-d.bmp", {40, 20}},
        // This test's own: widths of no multiple of four, rows bottom-up and top-down.
        {"odd-bottom-up.bmp", {7, 3}},
        {"odd-top-down.bmp", {5, 2}},
    };
    for (const auto& [file, size] : pictures) {
        const QImage picture = platform::FormPicture(QLatin1String(file));
        QCOMPARE(picture.size(), size);
        QCOMPARE(picture, qtReader(QStringLiteral(":/forms/") + QLatin1String(file)));
    }
    QCOMPARE(platform::FormPicture(QStringLiteral("velmo.ico")).size(), QSize(32, 32));
    QVERIFY_THROWS_EXCEPTION(vb::RuntimeError, platform::FormPicture(QStringLiteral("none.bmp")));
}

void TestPlatform::transfersAreBitwise()
{
    const QImage board = randomImage(50, 40, 1);
    const QImage sprite = randomImage(20, 10, 2);
    for (auto rop : {platform::SRCPAINT, platform::SRCAND, platform::SRCCOPY}) {
        PictureBox dest, src;
        dest.setPicture(board);
        src.setPicture(sprite);
        QVERIFY(BitBlt(dest.hDC(), 7, 5, 20, 10, src.hDC(), 0, 0, rop));
        const QImage out = dest.Image();
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 50; ++x) {
                const QRgb before = board.pixel(x, y);
                QRgb expected = before;
                if (x >= 7 && x < 27 && y >= 5 && y < 15) {
                    const QRgb s = sprite.pixel(x - 7, y - 5);
                    expected = rop == platform::SRCPAINT ? (before | s)
                               : rop == platform::SRCAND ? (before & s)
                                                         : s;
                }
                if (out.pixel(x, y) != expected)
                    QFAIL(qPrintable(QStringLiteral("rop %1 pixel (%2,%3)").arg(rop).arg(x).arg(y)));
            }
        }
    }
    // Transfers without a picture on either side draw nothing.
    PictureBox empty, full;
    full.setPicture(board);
    QVERIFY(!BitBlt(empty.hDC(), 0, 0, 5, 5, full.hDC(), 0, 0, platform::SRCPAINT));
    QVERIFY(!BitBlt(full.hDC(), 0, 0, 5, 5, empty.hDC(), 0, 0, platform::SRCPAINT));
    QCOMPARE(full.Image(), board);
}

void TestPlatform::transfersClipToBothImages()
{
    const QImage board = randomImage(30, 30, 3);
    const QImage sprite = randomImage(12, 12, 4);
    PictureBox dest, src;
    dest.setPicture(board);
    src.setPicture(sprite);
    // Hanging over the top-left and the bottom-right corners.
    QVERIFY(BitBlt(dest.hDC(), -4, -6, 12, 12, src.hDC(), 0, 0, platform::SRCCOPY));
    QVERIFY(BitBlt(dest.hDC(), 25, 26, 12, 12, src.hDC(), 0, 0, platform::SRCCOPY));
    const QImage out = dest.Image();
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            QRgb expected = board.pixel(x, y);
            if (x < 8 && y < 6)
                expected = sprite.pixel(x + 4, y + 6);
            else if (x >= 25 && y >= 26)
                expected = sprite.pixel(x - 25, y - 26);
            QCOMPARE(out.pixel(x, y), expected);
        }
    }
}

void TestPlatform::transferOntoItself()
{
    const QImage board = randomImage(10, 10, 5);
    PictureBox box;
    box.setPicture(board);
    QVERIFY(BitBlt(box.hDC(), 1, 0, 9, 10, box.hDC(), 0, 0, platform::SRCCOPY));
    for (int y = 0; y < 10; ++y)
        for (int x = 1; x < 10; ++x)
            QCOMPARE(box.Image().pixel(x, y), board.pixel(x - 1, y));
}

void TestPlatform::pictureBoxKeepsImageWhileHidden()
{
    QWidget window;
    window.resize(200, 100);
    auto* box = new PictureBox(&window);
    box->setGeometry(0, 0, 120, 30);
    box->hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage piece = platform::LoadResPicture(107, 0);
    box->setPicture(piece);
    QCOMPARE(box->Image(), piece);

    // A visible box shows its image and keeps it through hiding and showing.
    box->show();
    QCoreApplication::processEvents();
    QCOMPARE(box->grab().toImage().convertToFormat(QImage::Format_RGB32), piece);
    window.hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(box->grab().toImage().convertToFormat(QImage::Format_RGB32), piece);
}

// Assigning a box its own image must not copy the board, and neither must the
// next transfer into it: the redraw does this twice per piece. The board is
// copied once, by the first transfer, which leaves the kept background alone.
void TestPlatform::assigningOwnImageSharesTheBuffer()
{
    PictureBox board, sprite;
    board.setPicture(platform::LoadResPicture(QStringLiteral("BACK"), 0));
    sprite.setPicture(platform::LoadResPicture(201, 0));
    QVERIFY(BitBlt(board.hDC(), 60, 240, 120, 30, sprite.hDC(), 0, 0, platform::SRCPAINT));
    const uchar* buffer = board.Image().constBits();
    QVERIFY(buffer != platform::LoadResPicture(QStringLiteral("BACK"), 0).constBits());
    board.setPicture(board.Image());
    QVERIFY(BitBlt(board.hDC(), 60, 220, 120, 30, sprite.hDC(), 0, 0, platform::SRCPAINT));
    QCOMPARE(board.Image().constBits(), buffer);
}

void TestPlatform::fontsAndColours()
{
    QCOMPARE(platform::VbFont(QStringLiteral("MS UI Gothic"), 9, false).pixelSize(), 12);
    QCOMPARE(platform::VbFont(QStringLiteral("MS UI Gothic"), 12, true).pixelSize(), 16);
    QCOMPARE(platform::VbFont(QStringLiteral("Times New Roman"), 15.75, true).pixelSize(), 21);
    QCOMPARE(platform::VbFont(QStringLiteral("Times New Roman"), 14.25, true).pixelSize(), 19);
    QCOMPARE(platform::VbFont(QStringLiteral("MS UI Gothic"), 18, true).pixelSize(), 24);

    // The families the windows ask for resolve to installed stand-ins: the
    // proportional Gothic first, the next installed face where it is missing.
    const QFont gothicFont = platform::VbFont(QStringLiteral("MS UI Gothic"), 12, true);
    QCOMPARE(QFontInfo(gothicFont).family(), QStringLiteral("IPAPGothic"));
    const QFontMetrics gothicMetrics(gothicFont);
    QVERIFY(gothicMetrics.horizontalAdvance(QLatin1Char('i')) < gothicMetrics.horizontalAdvance(QLatin1Char('W')));
    QCOMPARE(platform::FirstInstalled({QStringLiteral("No Such Gothic"), QStringLiteral("IPAGothic")}),
             QStringLiteral("IPAGothic"));
    QCOMPARE(platform::FirstInstalled({QStringLiteral("No Such Gothic")}), QString());
    const QFontInfo times(platform::VbFont(QStringLiteral("Times New Roman"), 15.75, true));
    QCOMPARE(times.family(), QStringLiteral("Liberation Serif"));
    QVERIFY(times.bold());

    // Naming the stand-in directly draws exactly what the designed family,
    // substituted by Qt, draws.
    const QString captions = QStringLiteral("7段 / 最短 127手 現在 127手目 スタート(S) 終了(Q) ﾍﾙﾌﾟ(H)... "
                                            "完成！おめでとうございます。残念！手数オーバーです。"
                                            "この位置にはピースがありません小さいピースの上に大きいピースは置けません");
    for (const auto& [family, points, bold] : {std::tuple{"MS UI Gothic", 9.0, false},
                                              {"MS UI Gothic", 12.0, true},
                                              {"MS UI Gothic", 18.0, true},
                                              {"Times New Roman", 15.75, true}}) {
        const QFont direct = platform::VbFont(QLatin1String(family), points, bold);
        QFont substituted = direct;
        substituted.setFamily(QLatin1String(family));
        QImage a(1400, 40, QImage::Format_RGB32), b = a;
        for (auto [image, font] : {std::pair{&a, direct}, {&b, substituted}}) {
            image->fill(Qt::white);
            QPainter painter(image);
            painter.setFont(font);
            painter.drawText(2, 30, captions);
        }
        QVERIFY2(a == b, family);
    }

    QCOMPARE(platform::VbColor(0x00FFFFC0), QColor(192, 255, 255));
    QCOMPARE(platform::VbColor(0x0000FFFF), QColor(255, 255, 0));
    QCOMPARE(platform::VbColor(0x000000FF), QColor(255, 0, 0));
    QCOMPARE(platform::VbColor(0x00C0FFC0), QColor(192, 255, 192));
}

void TestPlatform::fixedWindow()
{
    QWidget window;
    platform::FixWindow(&window, 480, 360, true);
    QCOMPARE(window.minimumSize(), QSize(480, 360));
    QCOMPARE(window.maximumSize(), QSize(480, 360));
    QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    QWidget dialog;
    platform::FixWindow(&dialog, 320, 240, false);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
}

void TestPlatform::appInformation()
{
    QCOMPARE(platform::App::Title(), QStringLiteral("Velmo"));
    QCOMPARE(platform::App::Major(), 1);
    QCOMPARE(platform::App::Minor(), 0);
    QCOMPARE(platform::App::Revision(), 0);
    QCOMPARE(platform::App::Path(), QCoreApplication::applicationDirPath());
    QVERIFY(!platform::App::Path().endsWith(QLatin1Char('/')));

    // File names go through QString and back byte for byte; UTF-8 reads as
    // usual, anything else (stray bytes, overlong forms, encoded
    // surrogates, cut sequences) is kept.
    for (const QByteArray& bytes : {QByteArray("/tmp/\xe3\x82\xb2\xe3\x83\xbc\xe3\x83\xa0 \xf0\x9f\x98\x80"),
                                    QByteArray("/a\xff\xfe/\xc0\xaf/\xed\xa0\x80/\xf0\x9f\x98/\xe3\x82"),
                                    QByteArray("\xf0\x9f\x98\x80\x80\xdc")}) {
        const QString name = platform::FileNameFromBytes(bytes);
        QCOMPARE(platform::FileNameToBytes(name), bytes);
        QCOMPARE(name == QString::fromUtf8(bytes), bytes.isValidUtf8());
    }
}

void TestPlatform::endClosesEverything()
{
    FakeSeams fake;
    QWidget window;
    window.show();
    QVERIFY(!platform::Ended());
    platform::End();
    QVERIFY(platform::Ended());
    QCOMPARE(fake.exitStatus, std::optional<int>(0));
    QVERIFY(!window.isVisible());
}

void TestPlatform::runtimeErrorIsReported()
{
    FakeSeams fake;
    bool after = false;
    platform::RunEvent([&] {
        platform::LoadResPicture(999, 0);
        after = true;
    });
    QVERIFY(!after);
    QCOMPARE(fake.boxes.size(), std::size_t{1});
    // Japanese only: the English detail is not the player's.
    QCOMPARE(fake.boxes[0].prompt, QStringLiteral("実行時エラー '326':\n\nリソースが見つかりません。"));
    QCOMPARE(fake.boxes[0].style, int{platform::vbCritical});
    QCOMPARE(fake.boxes[0].title, QStringLiteral("Velmo"));
    QCOMPARE(fake.exitStatus, std::optional<int>(1));

    // An error-free routine reports nothing.
    FakeSeams quiet;
    platform::RunEvent([] {});
    QVERIFY(quiet.boxes.empty());
    QVERIFY(!quiet.exitStatus);
}

void TestPlatform::runtimeErrorEndsTheProcess()
{
    QProcess child;
    child.start(QStringLiteral(RUNTIME_ERROR_CHILD), {});
    QVERIFY(child.waitForFinished(30000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 1);
    QCOMPARE(out, QStringLiteral("box style=16 title=Velmo\n実行時エラー '6':\n\nオーバーフローしました。\n"));
    // The detail goes to the developer, on standard error.
    const QByteArray err = child.readAllStandardError();
    QVERIFY2(err.contains("velmo: run-time error 6: 32-bit overflow: 2147483648\n"), err.constData());
    QVERIFY2(!out.contains(QStringLiteral("went on")), qPrintable(out));
}

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
