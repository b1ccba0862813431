// SPDX-License-Identifier: Apache-2.0
#include "platform/FileName.h"

#include <algorithm>
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

} // namespace FileName
