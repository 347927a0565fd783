#include "app.h"

#include <QCoreApplication>

#if defined(Q_OS_LINUX)
#include <QFile>

#include <cerrno>
#include <climits>
#include <optional>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace platform {

QString App::Title() { return QStringLiteral("Velmo"); }
vb::Integer App::Major() { return VELMO_VERSION_MAJOR; }
vb::Integer App::Minor() { return VELMO_VERSION_MINOR; }
vb::Integer App::Revision() { return VELMO_VERSION_PATCH; }

namespace {

// The length of the valid UTF-8 sequence at s[0] (at most n bytes long), or
// 0 when there is none: overlong forms, surrogates and code points beyond
// U+10FFFF are not valid.
int utf8Sequence(const unsigned char* s, qsizetype n)
{
    if (s[0] < 0x80)
        return 1;
    int length = 0;
    char32_t c = 0, least = 0;
    if ((s[0] & 0xE0) == 0xC0) { length = 2; c = s[0] & 0x1F; least = 0x80; }
    else if ((s[0] & 0xF0) == 0xE0) { length = 3; c = s[0] & 0x0F; least = 0x800; }
    else if ((s[0] & 0xF8) == 0xF0) { length = 4; c = s[0] & 0x07; least = 0x10000; }
    else return 0;
    if (n < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (s[i] & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;
    return length;
}

#if defined(Q_OS_LINUX)
// The executable's path as the kernel holds it. readlink() gives it up to
// PATH_MAX bytes; a longer one is named only by the process's memory map,
// in the line of the mapping with the executable's device and inode (where
// the kernel writes a newline as "\012").
std::optional<QByteArray> executablePath()
{
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n > 0 && static_cast<std::size_t>(n) < buffer.size())
        return QByteArray(buffer.data(), n);
    if (n >= 0 || errno != ENAMETOOLONG)
        return std::nullopt;

    struct stat self {};
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (stat("/proc/self/exe", &self) != 0 || !maps.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray device = QByteArray::number(major(self.st_dev), 16).rightJustified(2, '0') + ':'
                              + QByteArray::number(minor(self.st_dev), 16).rightJustified(2, '0');
    const QByteArray inode = QByteArray::number(static_cast<qulonglong>(self.st_ino));
    for (const QByteArray& line : maps.readAll().split('\n')) {
        // address, permissions, offset, device, inode, then the path
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[3] != device || fields[4] != inode)
            continue;
        const qsizetype at = line.indexOf('/');
        if (at < 0)
            return std::nullopt;
        return line.mid(at).replace("\\012", "\n");
    }
    return std::nullopt;
}
#endif

}  // namespace

QString App::Path()
{
#if defined(Q_OS_LINUX)
    // Not applicationDirPath(): Qt finds the path through a QString, which
    // loses a name that is not UTF-8 and gives up beyond PATH_MAX. The
    // kernel's record has every link resolved, as wanted: a link on the PATH
    // leads to the directory that holds the real executable and its help.
    const std::optional<QByteArray> exe = executablePath();
    if (!exe || !exe->startsWith('/'))
        return {};
    const qsizetype slash = exe->lastIndexOf('/');
    return FileNameFromBytes(slash == 0 ? QByteArray("/") : exe->left(slash));
#else
    return QCoreApplication::applicationDirPath();
#endif
}

QString FileNameFromBytes(const QByteArray& bytes)
{
    QString name;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype valid = 0;  // start of the current run of valid UTF-8
    for (qsizetype i = 0; i < n;) {
        const int length = utf8Sequence(s + i, n - i);
        if (length > 0) {
            i += length;
            continue;
        }
        name += QString::fromUtf8(bytes.constData() + valid, i - valid);
        name += QChar(static_cast<char16_t>(0xDC00 + s[i]));
        valid = ++i;
    }
    return name + QString::fromUtf8(bytes.constData() + valid, n - valid);
}

QByteArray FileNameToBytes(const QString& name)
{
    QByteArray bytes;
    qsizetype valid = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool escaped = c >= 0xDC80 && c <= 0xDCFF
                             && !(i > 0 && name[i - 1].isHighSurrogate());
        if (!escaped)
            continue;
        bytes += name.mid(valid, i - valid).toUtf8();
        bytes += static_cast<char>(c - 0xDC00);
        valid = i + 1;
    }
    return bytes + name.mid(valid).toUtf8();
}

}  // namespace platform
