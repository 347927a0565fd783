// Faults around the game, each with a defined outcome:
// - a picture missing from the executable or damaged: the run-time error is
//   reported in a message box at the load that needs the picture, and the
//   program ends with a non-zero status;
// - no help file, an opener that fails or crashes, no opener at all: nothing
//   from the program, and the game goes on to its ending;
// - no display: the program says so in one sentence and ends with a
//   non-zero status, without aborting; any other start-up failure is told
//   in Qt's own words;
// - --help and --version answer without a display.
#include "facts.h"
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
    void helpBurstStartsOneOpener_data();
    void helpBurstStartsOneOpener();

    void noDisplay_data();
    void noDisplay();
    void otherStartupFailureSaysWhat();
    void commandLineWithoutDisplay_data();
    void commandLineWithoutDisplay();

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
             QStringLiteral("ending 完成！ turn %1\nclosed\n").arg(facts::moveBudget(pieces)));
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

// Twenty quick presses of help start one opener; a press two and a half
// seconds later opens help again, even while the first opener still waits
// for its viewer (a help window gone behind the game comes back). The
// opener either stays until its viewer is closed, or hands the file on and
// returns at once.
void TestFaults::helpBurstStartsOneOpener_data()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("opener waits for its viewer") << "stay";
    QTest::newRow("opener returns at once") << "open";
}

void TestFaults::helpBurstStartsOneOpener()
{
    QFETCH(QString, mode);
    QTemporaryDir dir(root_.filePath(QStringLiteral("burst-XXXXXX")));
    QVERIFY(dir.isValid());
    QVERIFY(probe::install(QStringLiteral(VELMO_SCRIPTS_DIR "/fake-xdg-open"), dir.path(),
                           QStringLiteral("xdg-open")));
    const QString record = dir.filePath(QStringLiteral("record"));
    QProcessEnvironment env = probe::environment(runtimeDir_);
    env.insert(QStringLiteral("PATH"), dir.path());
    env.insert(QStringLiteral("VELMO_OPENER_RECORD"), record);
    env.insert(QStringLiteral("VELMO_OPENER_MODE"), mode);
    const probe::Run r = probe::run(QStringLiteral(VELMO_DRIVER),
                                    {QStringLiteral("--pieces"), QStringLiteral("3"), QStringLiteral("--help-burst"),
                                     QStringLiteral("20"), QStringLiteral("--help-later"), QStringLiteral("2500")},
                                    env, dir.path());
    QVERIFY2(r.finished && !r.crashed && r.exitCode == 0, qPrintable(r.describe()));
    QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("ending 完成！ turn 7\nclosed\n"));

    // Each opener adds one line as it starts; the second may still be on its way.
    QFile calls(record + QStringLiteral(".calls"));
    QDeadlineTimer deadline(5000);
    while (calls.size() < 2 * 7 && !deadline.hasExpired())
        QTest::qWait(50);
    QTest::qWait(300);
    QVERIFY(calls.open(QIODevice::ReadOnly));
    QCOMPARE(calls.readAll(), QByteArray("called\ncalled\n"));
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

// A platform plugin that does not exist: Qt's explanation (which plugin,
// which are there), not the display sentence.
void TestFaults::otherStartupFailureSaysWhat()
{
    QProcessEnvironment env = probe::environment(runtimeDir_);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("bogus"));
    const probe::Run r = probe::run(QStringLiteral(VELMO_PROGRAM), {}, env, root_.path(), 10000, true);
    QVERIFY2(r.finished && !r.crashed && r.exitCode == 1, qPrintable(r.describe()));
    QVERIFY2(r.err.contains("\"bogus\"") && r.err.contains("Available platform plugins are: "),
             qPrintable(r.describe()));
    QVERIFY2(!r.err.contains("no display"), qPrintable(r.describe()));
}

// --help and --version print and end with status 0 where there is no
// display at all; Qt's own options still reach Qt.
void TestFaults::commandLineWithoutDisplay_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("out");  // what stdout starts with; empty: the game keeps running
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << "Usage: velmo [--help] [--version]";
    QTest::newRow("--version") << QStringList{QStringLiteral("--version")} << "velmo " VELMO_VERSION "\n";
    QTest::newRow("after a Qt option") << QStringList{QStringLiteral("-style"), QStringLiteral("fusion"),
                                                      QStringLiteral("--version")}
                                       << "velmo " VELMO_VERSION "\n";
    QTest::newRow("-platform offscreen starts the game")
        << QStringList{QStringLiteral("-platform"), QStringLiteral("offscreen")} << QString();
}

void TestFaults::commandLineWithoutDisplay()
{
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_);
    const probe::Run r = probe::run(QStringLiteral(VELMO_PROGRAM), args, env, root_.path(), 2000, true);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.describe()));
    if (out.isEmpty()) {
        QVERIFY2(!r.finished, qPrintable(r.describe()));  // waiting in the start dialog
        return;
    }
    QVERIFY2(r.finished && !r.crashed && r.exitCode == 0, qPrintable(r.describe()));
    QVERIFY2(r.out.startsWith(out.toUtf8()), qPrintable(r.describe()));
    QVERIFY(out.endsWith(QLatin1Char('\n')) ? r.out == out.toUtf8() : r.out.count('\n') > 3);
}

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
