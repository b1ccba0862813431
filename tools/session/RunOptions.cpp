// SPDX-License-Identifier: Apache-2.0
#include "tools/session/RunOptions.h"

#include "tools/session/FrameOptions.h"

#include <QCommandLineParser>
#include <QCoreApplication>

RunOptionReader::RunOptionReader(const QString &sourceHelp, const QString &reportHelp,
                                 const QString &timeoutHelp)
    : m_source(QStringLiteral("source"), sourceHelp, QStringLiteral("SOURCE")),
      m_report(QStringLiteral("report"), reportHelp, QStringLiteral("SOURCE")),
      m_timeout(QStringLiteral("timeout"), timeoutHelp, QStringLiteral("SECONDS"), QStringLiteral("60"))
{
}

void RunOptionReader::addTo(QCommandLineParser &parser, Part part) const
{
    if (part == SourceAndReport)
        parser.addOptions({m_source, m_report});
    else
        parser.addOption(m_timeout);
}

bool RunOptionReader::read(const QCommandLineParser &parser, RunChoice *choice, QString *message) const
{
    const auto commandFor = [&](const QCommandLineOption &option, QString (*lookup)(const QString &),
                                QString *command) {
        if (!parser.isSet(option))
            return true;
        *command = lookup(parser.value(option));
        if (!command->isEmpty())
            return true;
        *message = QCoreApplication::translate("RunOptions",
                                               "--%1 takes application, database or device, not \"%2\"")
                       .arg(option.names().first(), parser.value(option));
        return false;
    };
    RunChoice result;
    if (!commandFor(m_source, &sourceCommandFor, &result.sourceCommand) ||
        !commandFor(m_report, &reportCommandFor, &result.reportCommand))
        return false;

    // Read wide so that a huge number is refused rather than wrapped.
    bool ok = false;
    const qlonglong seconds = parser.value(m_timeout).trimmed().toLongLong(&ok);
    if (!ok || seconds < kMinTimeoutSeconds || seconds > kMaxTimeoutSeconds) {
        *message = QCoreApplication::translate("RunOptions", "--timeout takes %1 to %2 seconds, not \"%3\"")
                       .arg(kMinTimeoutSeconds)
                       .arg(kMaxTimeoutSeconds)
                       .arg(parser.value(m_timeout));
        return false;
    }
    result.timeoutSeconds = int(seconds);
    *choice = result;
    return true;
}
