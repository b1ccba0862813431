// SPDX-License-Identifier: Apache-2.0
#include "platform/FileName.h"

#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The length of the valid UTF-8 sequence at `i`, or 0.
int sequenceAt(const QByteArray &bytes, qsizetype i)
{
    const auto byte = [&](qsizetype at) { return static_cast<unsigned char>(bytes.at(at)); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and code points past Unicode's range.
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
        return 0;
    return length;
}

bool endsWithNoCase(const QByteArray &name, const QByteArray &suffix)
{
    return name.size() >= suffix.size() && name.right(suffix.size()).toLower() == suffix.toLower();
}

/// Calls `visit(name, path, info)` for each entry of `folder` (links not
/// followed), until it answers false.
template<typename Visit> void forEachEntry(const QByteArray &folder, Visit visit)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        struct stat info;
        if (::lstat(path.constData(), &info) == 0 && !visit(name, path, info))
            break;
    }
    ::closedir(dir);
}

/// Whether `folder` holds a file ending in `suffix` anywhere below it.
bool holds(const QByteArray &folder, const QByteArray &suffix, int depth)
{
    bool found = false;
    forEachEntry(folder, [&](const QByteArray &name, const QByteArray &path, const struct stat &info) {
        found = S_ISDIR(info.st_mode) ? depth < 64 && holds(path, suffix, depth + 1)
                                      : endsWithNoCase(name, suffix);
        return !found;
    });
    return found;
}

void search(const QByteArray &folder, const QByteArray &suffix, int depth, QList<QByteArray> *found)
{
    forEachEntry(folder, [&](const QByteArray &name, const QByteArray &path, const struct stat &info) {
        const bool isFolder = S_ISDIR(info.st_mode);
        if (!FileName::isUtf8(name)) {
            if (isFolder ? holds(path, suffix, depth + 1) : endsWithNoCase(name, suffix))
                found->append(path);
        } else if (isFolder && depth < 64) {
            search(path, suffix, depth + 1, found);
        }
        return true;
    });
}

struct Alias
{
    QString path;      ///< "/proc/PID/fd/N"
    QByteArray native; ///< what the descriptor was opened as
};

struct Aliases
{
    QMutex mutex;
    QList<Alias> list;
};

Aliases &aliases()
{
    static Aliases instance;
    return instance;
}

/// The alias `path` begins with, if any, and the part after it.
bool aliasOf(const QString &path, Alias *alias, QString *rest)
{
    Aliases &all = aliases();
    QMutexLocker lock(&all.mutex);
    const Alias *found = nullptr;
    for (const Alias &a : std::as_const(all.list)) {
        if (path.startsWith(a.path) && (path.size() == a.path.size() || path.at(a.path.size()) == u'/') &&
            (!found || a.path.size() > found->path.size()))
            found = &a;
    }
    if (!found)
        return false;
    *alias = *found;
    *rest = path.mid(found->path.size());
    return true;
}

QString descriptorPath(int fd)
{
    // The process id rather than "self", so that the browser engine's
    // helper processes reach it too.
    return QStringLiteral("/proc/%1/fd/%2").arg(::getpid()).arg(fd);
}

/// `name` in the system's bytes, with the "\xNN" that `shown()` writes for
/// bytes that are not UTF-8 turned back into those bytes.
QByteArray unescaped(const QString &name)
{
    static const QRegularExpression escape(QStringLiteral("\\\\x([89A-F][0-9A-F])"));
    QByteArray native;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = escape.globalMatch(name); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        native += QFile::encodeName(name.mid(from, match.capturedStart() - from));
        native += char(match.captured(1).toInt(nullptr, 16));
        from = match.capturedEnd();
    }
    return native + QFile::encodeName(name.mid(from));
}

} // namespace

namespace FileName {

bool isUtf8(const QByteArray &native)
{
    for (qsizetype i = 0; i < native.size();) {
        const int length = sequenceAt(native, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

QString shown(const QByteArray &native)
{
    QString text;
    for (qsizetype i = 0; i < native.size();) {
        const int length = sequenceAt(native, i);
        if (length == 0) {
            const unsigned byte = static_cast<unsigned char>(native.at(i));
            text += QStringLiteral("\\x") + QString::number(byte, 16).toUpper().rightJustified(2, u'0');
            ++i;
        } else {
            text += QString::fromUtf8(native.mid(i, length));
            i += length;
        }
    }
    return text;
}

QList<QByteArray> notUtf8Below(const QByteArray &folder, const QByteArray &suffix)
{
    QList<QByteArray> found;
    search(folder.endsWith('/') && folder.size() > 1 ? folder.chopped(1) : folder, suffix, 0, &found);
    std::sort(found.begin(), found.end());
    return found;
}

QString openable(const QByteArray &native, QString *error)
{
    if (isUtf8(native))
        return QString::fromUtf8(native);
    // The last part that is not UTF-8 gets the descriptor; what follows it
    // is UTF-8 and can stay a name.
    qsizetype end = 0;
    for (qsizetype start = 0; start < native.size();) {
        qsizetype slash = native.indexOf('/', start);
        if (slash < 0)
            slash = native.size();
        if (!isUtf8(native.mid(start, slash - start)))
            end = slash;
        start = slash + 1;
    }
    const QByteArray opened = native.left(end);
    const QString rest = QString::fromUtf8(native.mid(end));
    Aliases &all = aliases();
    QMutexLocker lock(&all.mutex);
    for (const Alias &a : std::as_const(all.list)) {
        if (a.native == opened)
            return a.path + rest;
    }
    // O_PATH neither reads nor blocks on a FIFO; the /proc name reopens it
    // for whatever the caller does.
    const int fd = ::open(opened.constData(), O_PATH | O_CLOEXEC);
    if (fd < 0) {
        const int reason = errno;
        const qsizetype slash = opened.lastIndexOf('/');
        const QByteArray folder = slash < 0    ? QByteArray(".")
                                  : slash == 0 ? QByteArray("/")
                                               : opened.left(slash);
        if (reason != ENOENT || end != native.size() || ::access(folder.constData(), F_OK) != 0) {
            if (error)
                *error = QString::fromLocal8Bit(std::strerror(reason));
            return {};
        }
        // A file yet to be made (an output) has no descriptor: its folder's
        // descriptor and its escaped name stand for it until the writer,
        // which works in the system's bytes, creates it.
        const int folderFd = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folderFd < 0) {
            if (error)
                *error = QString::fromLocal8Bit(std::strerror(errno));
            return {};
        }
        Alias alias{descriptorPath(folderFd) + u'/' + shown(native.mid(slash + 1)), opened};
        all.list.append(alias);
        return alias.path;
    }
    Alias alias{descriptorPath(fd), opened};
    all.list.append(alias);
    return alias.path + rest;
}

QString argument(const QByteArray &argument, QString *error)
{
    if (isUtf8(argument))
        return QString::fromUtf8(argument);
    const qsizetype equals = argument.indexOf('=');
    if (argument.startsWith("--") && equals > 0 && isUtf8(argument.left(equals))) {
        const QString value = openable(argument.mid(equals + 1), error);
        if (value.isEmpty()) {
            if (error)
                *error = shown(argument.mid(equals + 1)) + QStringLiteral(": ") + *error;
            return {};
        }
        return QString::fromUtf8(argument.left(equals + 1)) + value;
    }
    const QString path = openable(argument, error);
    if (path.isEmpty() && error)
        *error = shown(argument) + QStringLiteral(": ") + *error;
    return path;
}

QByteArray nativeOf(const QString &path)
{
    Alias alias;
    QString rest;
    if (aliasOf(path, &alias, &rest))
        return alias.native + QFile::encodeName(rest);
    // A copy of this code in another library of the process has not seen
    // the name made, but the system still knows where it leads.
    static const QRegularExpression descriptor(QStringLiteral("^/proc/[0-9]+/fd/[0-9]+(?=/|$)"));
    if (const QRegularExpressionMatch match = descriptor.match(path); match.hasMatch()) {
        char target[PATH_MAX];
        const ssize_t length =
            ::readlink(QFile::encodeName(match.captured()).constData(), target, sizeof target);
        if (length > 0 && length < ssize_t(sizeof target))
            return QByteArray(target, length) + unescaped(path.mid(match.capturedLength()));
    }
    return QFile::encodeName(path);
}

QString shownPath(const QString &path)
{
    return shown(nativeOf(path));
}

bool byOwnDescriptor(const QString &path)
{
    Alias alias;
    QString rest;
    return aliasOf(path, &alias, &rest) && rest.isEmpty();
}

QString inItsFolder(const QString &path)
{
    Alias alias;
    QString rest;
    if (!aliasOf(path, &alias, &rest) || !rest.isEmpty())
        return path;
    const qsizetype slash = alias.native.lastIndexOf('/');
    const QByteArray folder = slash < 0    ? QByteArray(".")
                              : slash == 0 ? QByteArray("/")
                                           : alias.native.left(slash);
    const QString reached = openable(folder);
    if (reached.isEmpty())
        return path;
    return reached + (reached.endsWith(u'/') ? QString() : QStringLiteral("/")) +
           QString::fromUtf8(alias.native.mid(slash + 1));
}

} // namespace FileName
