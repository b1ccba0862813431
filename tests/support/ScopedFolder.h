// SPDX-License-Identifier: Apache-2.0
// A folder that takes no more bytes (a small file system of its own, filled
// up) or no new file at all (immutable): what a full disk or a read-only
// folder does to a writer, made on demand. Both need root's privileges.
#pragma once

#include "tests/support/FileGuards.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <sys/mount.h>

class ScopedFolder
{
public:
    explicit ScopedFolder(const QString &path) : m_path(QFile::encodeName(path)) { QDir().mkpath(path); }
    ~ScopedFolder()
    {
        if (m_immutable)
            (void)std::system(("chattr -i '" + m_path + "'").constData());
        if (m_mounted)
            ::umount(m_path.constData());
    }
    /// Mounts a small file system at the folder and fills it, `oldFile`
    /// first when given; false when it cannot be mounted.
    bool fill(const QString &oldFile = {}, const QByteArray &oldBytes = {})
    {
        m_mounted = ::mount("tmpfs", m_path.constData(), "tmpfs", 0, "size=64k") == 0;
        if (!oldFile.isEmpty())
            writeBytes(QFile::decodeName(m_path + '/') + oldFile, oldBytes);
        // As much as fits: the rest of the file system.
        QFile filler(QFile::decodeName(m_path + "/filler"));
        if (filler.open(QIODevice::WriteOnly))
            filler.write(QByteArray(64 * 1024, 'x'));
        return m_mounted;
    }
    /// False when the file system or the privileges do not allow it.
    bool makeImmutable()
    {
        m_immutable = std::system(("chattr +i '" + m_path + "' 2>/dev/null").constData()) == 0;
        return m_immutable;
    }

private:
    QByteArray m_path;
    bool m_mounted = false;
    bool m_immutable = false;
};
