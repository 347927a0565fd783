// What is the Qt back end's own: resource pictures decoded once and shared,
// picture-box widgets, fonts and colours, fixed windows, ending the program
// and a run-time error ending the process. What every back end does alike is
// in the contract suite (tests/contract).
#include "app.h"
#include "fonts.h"
#include "forms.h"
#include "picture.h"
#include "qt_platform.h"
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
#include <QResource>
#include <QScreen>
#include <QTest>

#include <limits>
#include <tuple>
#include <utility>

using platform::BitBlt;
using platform::qt::PictureWidget;

namespace {

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
    void resourceNamesAreCaseSensitive();
    void bitmapsLoadNoImagePlugins();  // before anything reads the icon
    void formPictures();

    void pictureBoxKeepsImageWhileHidden();
    void assigningOwnImageSharesTheBuffer();

    void fontsAndColours();
    void fixedWindow();
    void appInformation();

    void endClosesEverything();
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
    const auto load = [&] {
        return numeric ? platform::LoadResPicture(id, 0) : platform::LoadResPicture(name.toStdString(), 0);
    };
    const QImage picture = platform::qt::Image(load());
    QCOMPARE(picture.size(), size);
    QCOMPARE(picture.format(), QImage::Format_RGB32);
    // The same pixels as Qt's own reader gives.
    QCOMPARE(picture, qtReader(QStringLiteral(":/res/%1.bmp").arg(name)));
    // Stored as it is read: no inflating on each of the redraw's loads.
    QCOMPARE(QResource(QStringLiteral(":/res/%1.bmp").arg(name)).compressionAlgorithm(),
             QResource::NoCompression);
    // Decoded once: a later lookup shares the pixels, and drawing into one
    // copy changes neither the kept picture nor the next lookup.
    QImage again = platform::qt::Image(load());
    QCOMPARE(again.constBits(), picture.constBits());
    again.fill(Qt::black);
    const QImage third = platform::qt::Image(load());
    QCOMPARE(third, picture);
    QVERIFY(third != again);
}

void TestPlatform::resourceNamesAreCaseSensitive()
{
    QVERIFY_THROWS_EXCEPTION(vb::RuntimeError, platform::LoadResPicture("back", 0));
}

void TestPlatform::bitmapsLoadNoImagePlugins()
{
#ifndef Q_OS_LINUX
    QSKIP("reads the process's memory map");
#else
    // Bitmaps are decoded by Qt's own reader: no image-format plugin (nor
    // the libraries behind it) has to be loaded for the board or the start
    // dialog.
    platform::LoadResPicture("BACK", 0);
    for (int id : {101, 107, 201, 207})
        platform::LoadResPicture(id, 0);
    platform::FormPicture("title.bmp");
    platform::FormPicture("arrow-a.bmp");
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
        const QImage picture = platform::qt::Image(platform::FormPicture(file));
        QCOMPARE(picture.size(), size);
        QCOMPARE(picture, qtReader(QStringLiteral(":/forms/") + QLatin1String(file)));
    }
    QCOMPARE(platform::qt::Image(platform::FormPicture("velmo.ico")).size(), QSize(32, 32));
}

void TestPlatform::pictureBoxKeepsImageWhileHidden()
{
    QWidget window;
    window.resize(200, 100);
    auto* box = new PictureWidget(&window);
    box->setGeometry(0, 0, 120, 30);
    box->hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage piece = platform::qt::Image(platform::LoadResPicture(107, 0));
    box->setImage(piece);
    QCOMPARE(box->image(), piece);

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
    PictureWidget board, sprite;
    const platform::Picture back = platform::LoadResPicture("BACK", 0);
    board.setImage(platform::qt::Image(back));
    sprite.setImage(platform::qt::Image(platform::LoadResPicture(201, 0)));
    const platform::Dc boardDc{reinterpret_cast<std::uintptr_t>(&board)};
    const platform::Dc spriteDc{reinterpret_cast<std::uintptr_t>(&sprite)};
    QVERIFY(BitBlt(boardDc, 60, 240, 120, 30, spriteDc, 0, 0, platform::SRCPAINT));
    const uchar* buffer = board.image().constBits();
    QVERIFY(buffer != platform::qt::Image(back).constBits());
    board.setImage(QImage(board.image()));
    QVERIFY(BitBlt(boardDc, 60, 220, 120, 30, spriteDc, 0, 0, platform::SRCPAINT));
    QCOMPARE(board.image().constBits(), buffer);
    // A device context of something that is no picture box draws nothing.
    QVERIFY(!BitBlt(platform::Dc{reinterpret_cast<std::uintptr_t>(&buffer)}, 0, 0, 5, 5, spriteDc, 0, 0,
                    platform::SRCCOPY));
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
    // Centred exactly: as much room on the left as on the right.
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(window.pos(), QPoint(area.left() + (area.width() - 480) / 2, area.top() + (area.height() - 360) / 2));
    QWidget dialog;
    platform::FixWindow(&dialog, 320, 240, false);
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
}

void TestPlatform::appInformation()
{
    QCOMPARE(platform::App::Path(), QCoreApplication::applicationDirPath().toStdString());
}

void TestPlatform::endClosesEverything()
{
    FakeSeams fake;
    static constexpr platform::FormDef kBare = {.name = "frmBare", .caption = "Velmo", .width = 100, .height = 80};
    platform::Form form(kBare);
    form.ShowModeless();
    QVERIFY(platform::qt::Window(form)->isVisible());
    QVERIFY(!platform::Ended());
    platform::End();
    QVERIFY(platform::Ended());
    QCOMPARE(fake.exitStatus, std::optional<int>(0));
    QVERIFY(!form.Shown());
    QVERIFY(!platform::qt::Window(form)->isVisible());
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
