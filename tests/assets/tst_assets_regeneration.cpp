// Running the painter again reproduces the committed pictures byte for byte,
// and it paints nothing that is not committed.

#include <QDir>
#include <QDirIterator>
#include <QFile>
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

} // namespace

class TestRegeneration : public QObject {
    Q_OBJECT

private slots:
    void sameBytes()
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
            QVERIFY2(!fresh.isEmpty(), qPrintable(name));
            QVERIFY2(fresh == contents(QStringLiteral(VELMO_ASSETS_DIR "/") + name),
                     qPrintable(name + " differs from the committed file"));
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
