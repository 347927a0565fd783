// Running the game's programs as separate processes: the driver that plays
// one game (velmo_driver), copied where a test wants it, the stand-in opener
// on the PATH, and what they leave behind.
#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTest>

#include <optional>

#include <sys/resource.h>

namespace probe {

struct Run {
    bool finished = false;
    bool crashed = false;  // ended by a signal
    int exitCode = -1;
    qint64 elapsedMs = 0;
    QByteArray out, err;

    QString describe() const
    {
        return QStringLiteral("finished %1, crashed %2, status %3 after %4 ms\n--- stdout\n%5--- stderr\n%6")
            .arg(finished).arg(crashed).arg(exitCode).arg(elapsedMs)
            .arg(QString::fromUtf8(out), QString::fromUtf8(err));
    }
};

// Runs a program to its end (killed after timeoutMs). With noCoreDump the
// child may not write a core file: for runs that are known to abort.
inline Run run(const QString& program, const QStringList& args, const QProcessEnvironment& env,
               const QString& workingDir, int timeoutMs = 60000, bool noCoreDump = false)
{
    QProcess process;
    if (noCoreDump) {
        process.setChildProcessModifier([] {
            const rlimit none{0, 0};
            setrlimit(RLIMIT_CORE, &none);
        });
    }
    process.setProgram(program);
    process.setArguments(args);
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(workingDir);
    QElapsedTimer elapsed;
    elapsed.start();
    process.start();
    Run result;
    if (!process.waitForStarted(10000)) {
        result.err = process.errorString().toUtf8();
        return result;
    }
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    result.elapsedMs = elapsed.elapsed();
    result.crashed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// The environment of every run: offscreen, with a runtime directory of its
// own so Qt has nothing to say about a missing one.
inline QProcessEnvironment environment(const QString& runtimeDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir);
    QFile::setPermissions(runtimeDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return env;
}

// Copies `source` into `dir` as an executable named `name`.
inline bool install(const QString& source, const QString& dir, const QString& name)
{
    const QString target = dir + QLatin1Char('/') + name;
    QFile::remove(target);
    return QFile::copy(source, target)
        && QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                             | QFile::ReadGroup | QFile::ExeGroup);
}

// The stand-in opener's record: the arguments it was given, or nothing when
// no record appeared before the deadline (it runs detached from the game, so
// it may still be on its way when the game has ended).
inline std::optional<QList<QByteArray>> waitForRecord(const QString& file, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!QFile::exists(file)) {
        if (deadline.hasExpired())
            return std::nullopt;
        QTest::qSleep(20);
    }
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = in.readAll();
    const qsizetype newline = data.indexOf('\n');
    bool ok = false;
    const int count = data.left(newline).toInt(&ok);
    if (newline < 0 || !ok)
        return std::nullopt;
    QList<QByteArray> args;
    qsizetype at = newline + 1;
    while (at < data.size()) {
        const qsizetype end = data.indexOf('\0', at);
        if (end < 0)
            return std::nullopt;  // an argument without its terminator
        args << data.mid(at, end - at);
        at = end + 1;
    }
    if (args.size() != count)
        return std::nullopt;
    return args;
}

// Files under `root` whose name starts with `prefix`: what a shell would
// have left had it run a command hidden in a directory name.
inline QStringList filesNamed(const QString& root, const QString& prefix)
{
    QStringList found;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileName().startsWith(prefix))
            found << it.filePath();
    }
    return found;
}

// The lines of the game's stderr that are not the stand-in opener's own,
// nor a sanitizer runtime's warning (a sanitizer cannot name an executable
// beyond PATH_MAX; its errors end the process and show in the status).
inline QStringList programMessages(const QByteArray& err)
{
    QStringList lines;
    for (const QByteArray& line : err.split('\n'))
        if (!line.isEmpty() && !line.startsWith("xdg-open:")
            && !(line.startsWith("==") && line.contains("==WARNING: ")))
            lines << QString::fromUtf8(line);
    return lines;
}

}  // namespace probe
