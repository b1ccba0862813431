// SPDX-License-Identifier: Apache-2.0
// Test guards around the files a run of the print-file generators touches:
// the template must come out of every run byte for byte as it went in, and
// a disk that fills up is stood in for by the process's file size limit (a
// write past it fails as a full disk's would, without privileges).
#pragma once

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) << path.toStdString();
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/// Hashes the template when made; expects the same bytes when it goes.
class TemplateGuard
{
public:
    explicit TemplateGuard(const QString &path) : m_path(path), m_digest(digest(path)) {}
    ~TemplateGuard()
    {
        EXPECT_EQ(digest(m_path), m_digest) << "the template was changed: " << m_path.toStdString();
    }
    TemplateGuard(const TemplateGuard &) = delete;
    TemplateGuard &operator=(const TemplateGuard &) = delete;

private:
    static QByteArray digest(const QString &path)
    {
        // Only a regular file is read: a FIFO would block.
        QFile file(path);
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
            return QByteArrayLiteral("<no regular file>");
        QCryptographicHash hash(QCryptographicHash::Sha256);
        hash.addData(&file);
        return hash.result().toHex();
    }

    QString m_path;
    QByteArray m_digest;
};

/// Lets files of this process grow to `bytes` at most while it lives: a
/// write past that fails with EFBIG instead of raising SIGXFSZ.
class ScopedFileSizeLimit
{
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~ScopedFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit &) = delete;
    ScopedFileSizeLimit &operator=(const ScopedFileSizeLimit &) = delete;

    bool isSet() const { return m_set; }

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_set = false;
};
