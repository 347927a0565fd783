// Faults around the game, each with a defined outcome:
// - a picture missing from the executable or damaged: the run-time error is
//   reported in a message box at the load that needs the picture, and the
//   program ends with a non-zero status;
// - no help file, an opener that fails or crashes, no opener at all: nothing
//   from the program, and the game goes on to its ending;
// - no display: the program says so in one sentence and ends with a
//   non-zero status, without aborting.
#include "process_probe.h"

#include <QTemporaryDir>
#include <QTest>

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();

    void missingPicture_data();
    void missingPicture();
    void damagedSetPlaysWithoutThatPiece_data();
    void damagedSetPlaysWithoutThatPiece();

    void helpTroubles_data();
    void helpTroubles();

    void noDisplay_data();
    void noDisplay();

private:
    QTemporaryDir root_;
    QString runtimeDir_;
};

void TestFaults::initTestCase()
{
    QVERIFY(root_.isValid());
    runtimeDir_ = root_.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtimeDir_));
}

// The driver built without piece 105 and with piece 106 damaged: each game
// that needs one of them stops at its first drawing, at the first of them
// that the drawing loads (it draws from the bottom, the largest piece first),
// and not before that load nor at a later one.
void TestFaults::missingPicture_data()
{
    QTest::addColumn<int>("pieces");
    QTest::addColumn<QByteArray>("failedLoad");
    QTest::newRow("5 pieces, 105 missing") << 5 << QByteArray("resource 105 not found");
    QTest::newRow("6 pieces, 106 damaged") << 6 << QByteArray("resource 106 not found");
    QTest::newRow("7 pieces, 106 damaged") << 7 << QByteArray("resource 106 not found");
}

void TestFaults::missingPicture()
{
    QFETCH(int, pieces);
    QFETCH(QByteArray, failedLoad);
    const probe::Run r = probe::run(QStringLiteral(VELMO_DRIVER_DAMAGED),
                                    {QStringLiteral("--pieces"), QString::number(pieces)},
                                    probe::environment(runtimeDir_), root_.path());
    QVERIFY2(r.finished && !r.crashed, qPrintable(r.describe()));
    QCOMPARE(r.exitCode, 1);
    // Exactly one box, the run-time error's, and the game never got going.
    const QString out = QString::fromUtf8(r.out);
    QCOMPARE(out.count(QStringLiteral("box ")), 1);
    QVERIFY2(out.startsWith(QStringLiteral("box 16 Velmo\n実行時エラー '326':\n\nリソースが見つかりません。\n")),
             qPrintable(r.describe()));
    QVERIFY(!out.contains(QStringLiteral("ending")));
    QVERIFY(!out.contains(QStringLiteral("closed")));
    QVERIFY2(r.err.contains("velmo: run-time error 326: " + failedLoad + '\n'), qPrintable(r.describe()));
}

// The same program plays a game that never draws that piece: the failure
// above comes from the missing picture and nothing else.
void TestFaults::damagedSetPlaysWithoutThatPiece_data()
{
    QTest::addColumn<int>("pieces");
    QTest::newRow("3 pieces") << 3;
    QTest::newRow("4 pieces") << 4;
}

void TestFaults::damagedSetPlaysWithoutThatPiece()
{
    QFETCH(int, pieces);
    const probe::Run r = probe::run(QStringLiteral(VELMO_DRIVER_DAMAGED),
                                    {QStringLiteral("--pieces"), QString::number(pieces)},
                                    probe::environment(runtimeDir_), root_.path());
    QVERIFY2(r.finished && !r.crashed && r.exitCode == 0, qPrintable(r.describe()));
    QCOMPARE(QString::fromUtf8(r.out),
             QStringLiteral("ending 完成！ turn %1\nclosed\n").arg((1 << pieces) - 1));
}

// Help pressed in a directory without a help file, with an opener that
// reports it missing, fails, crashes, or is not there at all.
void TestFaults::helpTroubles_data()
{
    QTest::addColumn<QString>("mode");        // how the stand-in opener behaves
    QTest::addColumn<bool>("openerOnPath");
    QTest::newRow("no help file") << "missing" << true;
    QTest::newRow("viewer fails") << "fail" << true;
    QTest::newRow("viewer crashes") << "crash" << true;
    QTest::newRow("no viewer on the PATH") << QString() << false;
}

void TestFaults::helpTroubles()
{
    QFETCH(QString, mode);
    QFETCH(bool, openerOnPath);
    QTemporaryDir dir(root_.filePath(QStringLiteral("help-XXXXXX")));
    QVERIFY(dir.isValid());
    const QString gameDir = QDir(dir.path()).canonicalPath() + QStringLiteral("/game");
    const QString binDir = dir.filePath(QStringLiteral("bin"));
    QVERIFY(QDir().mkpath(gameDir) && QDir().mkpath(binDir));
    QVERIFY(probe::install(QStringLiteral(VELMO_DRIVER), gameDir, QStringLiteral("velmo_driver")));
    if (openerOnPath)
        QVERIFY(probe::install(QStringLiteral(VELMO_SCRIPTS_DIR "/fake-xdg-open"), binDir,
                               QStringLiteral("xdg-open")));
    const QString record = dir.filePath(QStringLiteral("opener-record"));

    QProcessEnvironment env = probe::environment(runtimeDir_);
    // Nothing but the opener's directory: without it there is no opener.
    env.insert(QStringLiteral("PATH"), binDir);
    env.insert(QStringLiteral("VELMO_OPENER_RECORD"), record);
    env.insert(QStringLiteral("VELMO_OPENER_MODE"), mode);
    const probe::Run r = probe::run(gameDir + QStringLiteral("/velmo_driver"),
                                    {QStringLiteral("--pieces"), QStringLiteral("4"),
                                     QStringLiteral("--click-help")},
                                    env, gameDir);

    // The game went on after help to its ending, and closed normally.
    QVERIFY2(r.finished && !r.crashed && r.exitCode == 0, qPrintable(r.describe()));
    QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("ending 完成！ turn 15\nclosed\n"));
    // Nothing from the program: no box (above), no message of its own.
    QVERIFY2(probe::programMessages(r.err).isEmpty(), qPrintable(r.describe()));

    if (openerOnPath) {
        const auto args = probe::waitForRecord(record, 20000);
        QVERIFY2(args, "the opener was not called, or its record is damaged");
        QCOMPARE(*args, QList<QByteArray>{(gameDir + QStringLiteral("/velmo.chm")).toUtf8()});
    } else {
        QTest::qWait(200);
        QVERIFY(!QFile::exists(record));
    }
}

// Started without any display: one sentence on stderr, a non-zero status,
// within seconds, and no abort (so no core dump either).
void TestFaults::noDisplay_data()
{
    QTest::addColumn<QStringList>("unset");
    QTest::addColumn<QStringList>("set");  // NAME=value
    const QStringList all = {QStringLiteral("DISPLAY"), QStringLiteral("WAYLAND_DISPLAY"),
                             QStringLiteral("QT_QPA_PLATFORM")};
    QTest::newRow("DISPLAY unset") << all << QStringList();
    QTest::newRow("DISPLAY empty") << all << QStringList{QStringLiteral("DISPLAY=")};
    QTest::newRow("xcb asked for") << all << QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb")};
    QTest::newRow("wayland asked for") << all << QStringList{QStringLiteral("QT_QPA_PLATFORM=wayland")};
    // A DISPLAY naming a server that is not there (a stale session, a
    // remote login without forwarding): Qt's platform plugin gives up.
    QTest::newRow("DISPLAY without a server")
        << all << QStringList{QStringLiteral("DISPLAY=:9876")};
}

void TestFaults::noDisplay()
{
    QFETCH(QStringList, unset);
    QFETCH(QStringList, set);
    QTemporaryDir cwd(root_.filePath(QStringLiteral("nodisplay-XXXXXX")));
    QVERIFY(cwd.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : unset)
        env.remove(name);
    for (const QString& pair : set)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_);

    const probe::Run r = probe::run(QStringLiteral(VELMO_PROGRAM), {}, env, cwd.path(), 10000, true);
    QVERIFY2(r.finished, qPrintable(r.describe()));
    QVERIFY2(r.elapsedMs < 10000, qPrintable(r.describe()));
    QVERIFY2(!r.crashed, qPrintable(r.describe()));
    QVERIFY2(r.exitCode != 0, qPrintable(r.describe()));
    QVERIFY(r.out.isEmpty());
    // One sentence on one line, naming what is missing.
    QVERIFY2(r.err.endsWith('\n') && r.err.count('\n') == 1, qPrintable(r.describe()));
    QVERIFY2(r.err.contains("display"), qPrintable(r.describe()));
    QVERIFY2(probe::filesNamed(cwd.path(), QStringLiteral("core")).isEmpty(), "a core dump was left");
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
