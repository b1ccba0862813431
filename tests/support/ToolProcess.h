// SPDX-License-Identifier: Apache-2.0
// Runs the built command-line tools as a user would, each with its own
// registry file and English texts.
#pragma once

#include <QFile>
#include <QPair>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

struct ProcessResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

/// Starts a tool with its own registry file, English texts and `changes` to
/// the environment (an empty value removes the variable).
inline std::unique_ptr<QProcess> startTool(const QString &program, const QStringList &arguments,
                                           const QString &registry,
                                           const QList<QPair<QString, QString>> &changes = {})
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUIRAVEL_REGISTRY"), registry);
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    for (const auto &[name, value] : changes) {
        if (value.isEmpty())
            environment.remove(name);
        else
            environment.insert(name, value);
    }
    process->setProcessEnvironment(environment);
    process->start(program, arguments);
    return process;
}

/// Waits for a started tool and answers how it ended.
inline ProcessResult finishTool(QProcess &process)
{
    ProcessResult result;
    if (!process.waitForFinished(240'000)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("did not finish");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

inline ProcessResult runTool(const QString &program, const QStringList &arguments, const QString &registry,
                             const QList<QPair<QString, QString>> &changes = {})
{
    return finishTool(*startTool(program, arguments, registry, changes));
}

/// A file's bytes one character each (so a test can find ASCII in any encoding).
inline QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
}

inline bool writeText(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.toUtf8()) == text.toUtf8().size();
}

#ifdef QUIRAVEL_REGSVR_PATH
#include "tests/support/FileGuards.h"

#include <QDir>
#include <vector>

/// A suite whose tools find the built component through a registry file of
/// their own, registered once for the suite with the built registration tool.
class RegisteredComponentSuite : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        s_registry = s_dir->filePath(QStringLiteral("registry.reg"));
        s_registration = runTool(QStringLiteral(QUIRAVEL_REGSVR_PATH),
                                 {QStringLiteral(QUIRAVEL_LIBRARY_PATH)}, s_registry);
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    void SetUp() override { ASSERT_EQ(s_registration.exitCode, 0) << qPrintable(s_registration.err); }

    /// A fresh copy of the flow-meter sample in `folder` of the work folder
    /// (its templates must come out of the test unchanged); answers the
    /// description's path.
    QString copySample(const QString &folder = {})
    {
        const QDir target(folder.isEmpty() ? m_work.path() : m_work.filePath(folder));
        QDir().mkpath(target.path());
        const QDir source(QUIRAVEL_SOURCE_DIR "/samples/flowmeter");
        for (const QString &name : source.entryList(QDir::Files)) {
            QFile::copy(source.filePath(name), target.filePath(name));
            if (name.endsWith(".HTM"))
                m_templates.push_back(std::make_unique<TemplateGuard>(target.filePath(name)));
        }
        return target.filePath("FlowMeter.kqd");
    }

    QTemporaryDir m_work;
    std::vector<std::unique_ptr<TemplateGuard>> m_templates;

    static inline QTemporaryDir *s_dir = nullptr;
    static inline QString s_registry;
    static inline ProcessResult s_registration;
};
#endif
