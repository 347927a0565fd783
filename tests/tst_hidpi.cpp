// Both windows at two device pixels per pixel (run with QT_SCALE_FACTOR=2):
// same layout, pictures enlarged by whole pixels, text drawn at the finer
// resolution rather than blown up.
#include "fonts.h"
#include "frmMain.h"
#include "frmStart.h"
#include "qt_platform.h"
#include "seams.h"

#include <QTest>

namespace {

using platform::qt::Widget;

QImage shot(QWidget* w)
{
    QPixmap pixmap = w->grab();
    return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
}

// True when every 2x2 block of the region repeats one pixel of `source`.
bool enlargedByWholePixels(const QImage& big, const QImage& source, QRect region)
{
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    if (big.pixel(2 * x + dx, 2 * y + dy) != source.pixel(x, y))
                        return false;
    return true;
}

QImage formPicture(const char* file)
{
    return platform::qt::Image(platform::FormPicture(file));
}

}  // namespace

class TestHiDpi : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startDialog();
    void gameWindow();
};

void TestHiDpi::initTestCase()
{
    platform::InstallFontSubstitutions();
    QWidget probe;
    probe.show();
    if (probe.devicePixelRatioF() != 2.0)
        QSKIP("needs QT_SCALE_FACTOR=2");
}

void TestHiDpi::startDialog()
{
    frmStart dialog;
    dialog.ShowModeless();
    QWidget* window = platform::qt::Window(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->size(), QSize(320, 240));
    QCOMPARE(Widget(dialog.cmdStart)->geometry(), QRect(107, 205, 101, 27));
    const QImage image = shot(window);
    QCOMPARE(image.size(), QSize(640, 480));
    // The title picture where no control covers it.
    QVERIFY(enlargedByWholePixels(image, formPicture("title.bmp"), QRect(0, 60, 100, 100)));
}

void TestHiDpi::gameWindow()
{
    FakeSeams fake;
    vb::Long num = 7;
    frmMain w(num);
    w.ShowModeless();
    QWidget* window = platform::qt::Window(w);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->size(), QSize(480, 360));
    QCOMPARE(Widget(w.picBack)->geometry(), QRect(0, 0, 480, 360));
    QCOMPARE(Widget(*w.cmdMove[5])->geometry(), QRect(330, 322, 60, 32));

    // The board, pieces included, doubled pixel for pixel.
    const QImage image = shot(window);
    QCOMPARE(image.size(), QSize(960, 720));
    const QImage board = platform::qt::Image(w.picBack.Image());
    QCOMPARE(board.size(), QSize(480, 360));
    QVERIFY(enlargedByWholePixels(image, board, QRect(40, 110, 400, 170)));

    // The arrows too: a doubled arrow, its grey still left out.
    const QImage button = shot(Widget(*w.cmdMove[0]));
    const QImage arrow = formPicture("arrow-a.bmp");
    int doubled = 0, grey = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            const QRgb a = arrow.pixel(x, y);
            const QPoint at(2 * (10 + x), 2 * (6 + y));
            if (a == qRgb(128, 128, 128)) {
                grey += button.pixel(at) == a;
            } else if (button.pixel(at) == a && button.pixel(at + QPoint(1, 1)) == a) {
                ++doubled;
            }
        }
    }
    QVERIFY2(doubled > 60, qPrintable(QString::number(doubled)));
    QCOMPARE(grey, 0);

    // Text is drawn at the finer resolution: some 2x2 blocks of the status
    // label's glyphs are not one flat colour, as they would be if blown up.
    const QImage label = shot(Widget(w.labStat));
    int mixedBlocks = 0;
    for (int y = 0; y + 1 < label.height(); y += 2)
        for (int x = 0; x + 1 < label.width(); x += 2) {
            const QRgb p = label.pixel(x, y);
            if (label.pixel(x + 1, y) != p || label.pixel(x, y + 1) != p || label.pixel(x + 1, y + 1) != p)
                ++mixedBlocks;
        }
    QVERIFY2(mixedBlocks > 20, qPrintable(QString::number(mixedBlocks)));
}

QTEST_MAIN(TestHiDpi)
#include "tst_hidpi.moc"
