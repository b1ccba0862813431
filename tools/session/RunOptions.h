// SPDX-License-Identifier: Apache-2.0
// The options with which the frame and the batch say which data to load,
// which default report to show and how long to wait: one wording and one
// check for both tools.
#pragma once

#include <QCommandLineOption>
#include <QString>

class QCommandLineParser;

/// What --source, --report and --timeout asked for.
struct RunChoice
{
    QString sourceCommand; ///< "srcValue", "scrDatabase", "scrShadow" or empty
    QString reportCommand; ///< "ShowApplicationReport", ... or empty
    int timeoutSeconds = 60;
};

class RunOptionReader
{
public:
    /// The help texts are the tool's own: the options mean slightly
    /// different things to a single view and to a run of many devices.
    RunOptionReader(const QString &sourceHelp, const QString &reportHelp, const QString &timeoutHelp);

    /// Where the options stand in --help is the tool's: it adds the data
    /// source and report options and the timeout where it lists them.
    enum Part { SourceAndReport, Timeout };
    void addTo(QCommandLineParser &parser, Part part) const;
    /// Reads what the parsed command line asks for into `choice`; false
    /// with the reason in `message` when a value is not one of the allowed.
    bool read(const QCommandLineParser &parser, RunChoice *choice, QString *message) const;

private:
    QCommandLineOption m_source;
    QCommandLineOption m_report;
    QCommandLineOption m_timeout;
};
