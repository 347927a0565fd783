// Help from directories with hostile names: spaces, quotes, ";", "$()",
// backticks, a newline, Japanese. The game, copied into such a directory and
// started from it, must hand exactly that directory's velmo.chm to the
// opener, as one argument, and run nothing else: a shell that expanded the
// name would leave a canary file behind.
//
// Two more directories the game must find itself in: one whose name is not
// UTF-8, and one whose path is longer than PATH_MAX.
//
// Two openers: the test's own (the shell seam replaced inside the game, so
// the path is seen as the game hands it over), and the real seam with a
// stand-in "xdg-open" first on the PATH that records the arguments it gets.
#include "process_probe.h"

#include <QTemporaryDir>
#include <QTest>

#include <climits>

namespace {

// Each name a single directory. The canary commands name files that start
// with "canary-"; the directory names themselves do not.
QStringList hostileNames()
{
    return {
        QStringLiteral("with space"),
        QStringLiteral("it's"),
        QStringLiteral("say \"hi\""),
        QStringLiteral("a;touch canary-semicolon;b"),
        QStringLiteral("$(touch canary-dollar)"),
        QStringLiteral("`touch canary-backtick`"),
        QStringLiteral("line\nbreak"),
        QStringLiteral("ゲーム フォルダ"),
        QStringLiteral("  all 'of' \"it\"; $(touch canary-all) `touch canary-all2` & | < > * ? ~ $HOME %f %u \\\n終わり "),
    };
}

}  // namespace

class TestHostilePaths : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    // rm takes down a tree deeper than PATH_MAX, QTemporaryDir does not.
    void cleanupTestCase() { QProcess::execute(QStringLiteral("rm"), {QStringLiteral("-rf"), root_.path()}); }
    void fakeOpener_data();
    void fakeOpener();
    void realSeam_data();
    void realSeam();
    void unusualDirectories_data();
    void unusualDirectories();

private:
    void addRows();
    // Makes the directory with its own help file and a copy of the game.
    QString prepare(const QString& name, const QString& tag);
    probe::Run play(const QString& gameDir, const QProcessEnvironment& env, const QStringList& extra);
    void checkOpened(const QList<QByteArray>& args, const QString& gameDir, const QString& tag);

    QTemporaryDir root_;
    QString base_;
    QString runtimeDir_;
};

void TestHostilePaths::initTestCase()
{
    QVERIFY(root_.isValid());
    base_ = QDir(root_.path()).canonicalPath();
    runtimeDir_ = base_ + QStringLiteral("/runtime");
    QVERIFY(QDir().mkpath(runtimeDir_));
    QVERIFY(QDir().mkpath(base_ + QStringLiteral("/bin")));
    QVERIFY(probe::install(QStringLiteral(VELMO_SCRIPTS_DIR "/fake-xdg-open"), base_ + QStringLiteral("/bin"),
                           QStringLiteral("xdg-open")));
}

void TestHostilePaths::addRows()
{
    QTest::addColumn<QString>("name");
    const QStringList names = hostileNames();
    for (int i = 0; i < names.size(); ++i) {
        QString tag = names[i];
        tag.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
        QTest::newRow(qPrintable(QStringLiteral("%1: %2").arg(i).arg(tag))) << names[i];
    }
}

QString TestHostilePaths::prepare(const QString& name, const QString& tag)
{
    // One parent per run, so the two tests never share a directory.
    const QString parent = base_ + QLatin1Char('/') + tag;
    const QString dir = parent + QLatin1Char('/') + name;
    if (!QDir().mkpath(dir))
        return {};
    QFile help(dir + QStringLiteral("/velmo.chm"));
    if (!help.open(QIODevice::WriteOnly) || help.write(("help of " + tag).toUtf8()) < 0)
        return {};
    help.close();
    // A decoy beside it: where the path would lead if it were cut at the
    // first space or special character.
    QFile decoy(parent + QStringLiteral("/velmo.chm"));
    if (!decoy.open(QIODevice::WriteOnly))
        return {};
    decoy.write("decoy");
    if (!probe::install(QStringLiteral(VELMO_DRIVER), dir, QStringLiteral("velmo_driver")))
        return {};
    return dir;
}

// Plays a 3-piece game from inside the directory, help pressed after the
// first move, and quits.
probe::Run TestHostilePaths::play(const QString& gameDir, const QProcessEnvironment& env,
                                  const QStringList& extra)
{
    return probe::run(gameDir + QStringLiteral("/velmo_driver"),
                      QStringList{QStringLiteral("--pieces"), QStringLiteral("3"),
                                  QStringLiteral("--click-help")} + extra,
                      env, gameDir);
}

void TestHostilePaths::checkOpened(const QList<QByteArray>& args, const QString& gameDir,
                                   const QString& tag)
{
    // No shell ran the commands hidden in the names, anywhere.
    QCOMPARE(probe::filesNamed(base_, QStringLiteral("canary-")), QStringList());
    QCOMPARE(probe::filesNamed(QDir::currentPath(), QStringLiteral("canary-")), QStringList());
    // One argument: the directory's help file, byte for byte.
    const QByteArray expected = (gameDir + QStringLiteral("/velmo.chm")).toUtf8();
    QCOMPARE(args, QList<QByteArray>{expected});
    // And that name leads to this directory's own help file.
    QFile help(QString::fromUtf8(args.front()));
    QVERIFY(help.open(QIODevice::ReadOnly));
    QCOMPARE(help.readAll(), ("help of " + tag).toUtf8());
}

void TestHostilePaths::fakeOpener_data()
{
    addRows();
}

void TestHostilePaths::fakeOpener()
{
    QFETCH(QString, name);
    const QString tag = QStringLiteral("fake-%1").arg(QTest::currentDataTag()[0]);
    const QString gameDir = prepare(name, tag);
    QVERIFY(!gameDir.isEmpty());
    const QString record = base_ + QLatin1Char('/') + tag + QStringLiteral(".record");

    const probe::Run r = play(gameDir, probe::environment(runtimeDir_), {QStringLiteral("--record-help"), record});
    QVERIFY2(r.finished && !r.crashed && r.exitCode == 0, qPrintable(r.describe()));
    QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("ending 完成！ turn 7\nclosed\n"));

    // The game's record: each file handed to the shell, NUL-terminated.
    QFile in(record);
    QVERIFY(in.open(QIODevice::ReadOnly));
    QByteArray data = in.readAll();
    QVERIFY2(data.endsWith('\0'), "the record is not NUL-terminated");
    data.chop(1);
    checkOpened(data.split('\0'), gameDir, tag);
}

void TestHostilePaths::realSeam_data()
{
    addRows();
}

void TestHostilePaths::realSeam()
{
    QFETCH(QString, name);
    const QString tag = QStringLiteral("real-%1").arg(QTest::currentDataTag()[0]);
    const QString gameDir = prepare(name, tag);
    QVERIFY(!gameDir.isEmpty());
    const QString record = base_ + QLatin1Char('/') + tag + QStringLiteral(".record");

    QProcessEnvironment env = probe::environment(runtimeDir_);
    env.insert(QStringLiteral("PATH"), base_ + QStringLiteral("/bin:") + env.value(QStringLiteral("PATH")));
    env.insert(QStringLiteral("VELMO_OPENER_RECORD"), record);
    const probe::Run r = play(gameDir, env, {});
    QVERIFY2(r.finished && !r.crashed && r.exitCode == 0, qPrintable(r.describe()));
    QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("ending 完成！ turn 7\nclosed\n"));

    const auto args = probe::waitForRecord(record, 20000);
    QVERIFY2(args, "the opener was not called, or its record is damaged");
    checkOpened(*args, gameDir, tag);
}

void TestHostilePaths::unusualDirectories_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("name not UTF-8") << "bytes";
    QTest::newRow("path longer than PATH_MAX") << "long";
}

// The directory is made and entered by bash, byte by byte and one level at
// a time, as no single path call could; both games start from inside it,
// the first with the test's opener, the second with the real seam.
void TestHostilePaths::unusualDirectories()
{
    QFETCH(QString, kind);
    const QString work = base_ + QStringLiteral("/unusual-") + kind;
    QVERIFY(QDir().mkpath(work));
    const QString script = QStringLiteral(R"(set -e
cd "$1"
if [ "$2" = bytes ]; then d=$(printf 'game-\377\376-caf\351'); mkdir "$d"; cd "$d"
else n=$(printf '%0250d' 0); for i in $(seq 17); do mkdir "$n"; cd "$n"; done; fi
cp "$3" velmo_driver; printf help >velmo.chm; printf '%s/velmo.chm' "$PWD" >"$1/expected"
./velmo_driver --pieces 3 --click-help --record-help "$1/game-record"
VELMO_OPENER_RECORD="$1/opener-record" PATH="$4:$PATH" ./velmo_driver --pieces 3 --click-help
)");
    const probe::Run r = probe::run(QStringLiteral("/bin/bash"),
                                    {QStringLiteral("-c"), script, QStringLiteral("bash"), work, kind,
                                     QStringLiteral(VELMO_DRIVER), base_ + QStringLiteral("/bin")},
                                    probe::environment(runtimeDir_), work);
    QVERIFY2(r.finished && !r.crashed && r.exitCode == 0, qPrintable(r.describe()));
    QCOMPARE(QString::fromUtf8(r.out), QStringLiteral("ending 完成！ turn 7\nclosed\n").repeated(2));
    QVERIFY2(probe::programMessages(r.err).isEmpty(), qPrintable(r.describe()));

    QFile expectedFile(work + QStringLiteral("/expected"));
    QVERIFY(expectedFile.open(QIODevice::ReadOnly));
    const QByteArray expected = expectedFile.readAll();
    QVERIFY(kind == QLatin1String("long") ? expected.size() > PATH_MAX : !expected.isValidUtf8());
    QFile game(work + QStringLiteral("/game-record"));
    QVERIFY(game.open(QIODevice::ReadOnly));
    QCOMPARE(game.readAll(), expected + '\0');
    const auto args = probe::waitForRecord(work + QStringLiteral("/opener-record"), 20000);
    QVERIFY2(args, "the opener was not called, or its record is damaged");
    QCOMPARE(*args, QList<QByteArray>{expected});
}

QTEST_GUILESS_MAIN(TestHostilePaths)
#include "tst_hostile_paths.moc"
