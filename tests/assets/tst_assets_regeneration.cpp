// Running the painter again reproduces the committed pictures and paints
// nothing that is not committed: the bitmaps and the icon byte for byte, the
// PNGs pixel for pixel (their compressed bytes are the PNG library's).

#include <QColorSpace>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList pictureFiles(const QString& root)
{
    QStringList out;
    QDirIterator it(root, {"*.bmp", "*.ico", "*.png"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        out << QDir(root).relativeFilePath(it.next());
    }
    out.sort();
    return out;
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A PNG's pixels, unpremultiplied ARGB, without the colour-space tag the
// library adds.
QImage pixelsOf(const QByteArray& png)
{
    QImage img = QImage::fromData(png, "PNG").convertToFormat(QImage::Format_ARGB32);
    img.setColorSpace(QColorSpace());
    return img;
}

} // namespace

class TestRegeneration : public QObject {
    Q_OBJECT

private slots:
    void samePictures()
    {
        QTemporaryDir scratch;
        QVERIFY(scratch.isValid());
        QProcess painter;
        painter.start(QStringLiteral(VELMO_PAINTER), {scratch.path()});
        QVERIFY(painter.waitForFinished(120000));
        QCOMPARE(painter.exitStatus(), QProcess::NormalExit);
        QCOMPARE(painter.exitCode(), 0);

        const QStringList painted = pictureFiles(scratch.path());
        const QStringList committed = pictureFiles(QStringLiteral(VELMO_ASSETS_DIR));
        QCOMPARE(painted.size(), 27);  // 15 resources, title, 4 arrows, icon, 6 desktop icons
        QCOMPARE(painted, committed);
        for (const QString& name : painted) {
            const QByteArray fresh = contents(scratch.filePath(name));
            const QByteArray kept = contents(QStringLiteral(VELMO_ASSETS_DIR "/") + name);
            QVERIFY2(!fresh.isEmpty(), qPrintable(name));
            if (name.endsWith(QLatin1String(".png"))) {
                const QImage freshImage = pixelsOf(fresh);
                QVERIFY2(!freshImage.isNull(), qPrintable(name));
                QVERIFY2(freshImage == pixelsOf(kept), qPrintable(name + " has other pixels than the committed file"));
            } else {
                QVERIFY2(fresh == kept, qPrintable(name + " differs from the committed file"));
            }
        }
    }

    void rejectsBadArguments()
    {
        QProcess painter;
        painter.start(QStringLiteral(VELMO_PAINTER), {});
        QVERIFY(painter.waitForFinished(30000));
        QCOMPARE(painter.exitCode(), 2);
    }
};

QTEST_APPLESS_MAIN(TestRegeneration)
#include "tst_assets_regeneration.moc"
