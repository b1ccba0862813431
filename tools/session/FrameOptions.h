// SPDX-License-Identifier: Apache-2.0
// The frame's command line: what to load, which view commands to run and
// when to quit.
#pragma once

#include <QString>
#include <QStringList>

/// The frame's exit statuses; each failure also prints a one-line reason.
enum FrameExitCode : int {
    ExitPageShown = 0,
    ExitUsage = 2,
    ExitDeviceFile = 3,
    ExitNotRegistered = 4,
    ExitNoPage = 5,
    ExitTimedOut = 6,
    ExitOutputFailed = 7,
    ExitNoDisplay = 8,
};

inline constexpr int kMinTimeoutSeconds = 1;
inline constexpr int kMaxTimeoutSeconds = 86400;

struct FrameOptions
{
    QString descriptionPath;
    QString dataPath;      ///< empty = the description's default data file, if any
    QString variant;       ///< an IODD variant's product id; empty = the values' own, else the first
    QString databasePath;  ///< empty = as the data file says
    QString sourceCommand; ///< "srcValue", "scrDatabase", "scrShadow" or empty
    QString reportCommand; ///< "ShowApplicationReport", ... or empty
    QString pdfPath;
    QString screenshotPath;
    QString callLogPath; ///< empty = no call log
    bool answerYes = false;
    bool exitWhenShown = false;
    bool headless = false;
    bool quiet = false;      ///< the files written are not named
    bool verbose = false;    ///< the browser engine's own lines reach standard error
    bool pageScript = false; ///< the page may run its script
    int timeoutSeconds = 60; ///< kMinTimeoutSeconds to kMaxTimeoutSeconds
    /// Runs the report command before the source command, so that the page
    /// shown last is the print view.
    bool reportFirst = false;

    /// The view commands to run after Show, in order.
    QStringList commands() const;
};

/// The view command of a data source ("application", "database", "device",
/// any case) for --source; empty for another name.
QString sourceCommandFor(const QString &source);
/// What the user calls a view command in a message ("the upload from the
/// device"); the command itself for one without a title.
QString commandTitle(const QString &command);
/// The view command of a default report's source for --report; empty for another name.
QString reportCommandFor(const QString &source);

enum class ParseResult { Run, Help, Error };

/// Parses the arguments after the program name. On Help `*message` is the
/// usage text (or the version), on Error the reason. --headless, or
/// QUIRAVEL_HEADLESS=1 in the environment, implies --yes and --exit;
/// --screenshot implies --exit.
ParseResult parseFrameOptions(const QStringList &arguments, FrameOptions *options, QString *message);
