// SPDX-License-Identifier: Apache-2.0
// The batch's command line: which devices, which data source, where the
// PDFs and the summary go, how many devices at once.
#pragma once

#include "tools/session/FrameOptions.h"

#include <QString>
#include <QStringList>

/// The batch's exit statuses.
enum BatchExitCode : int {
    BatchAllDone = 0,
    BatchSomeFailed = 1,
    BatchUsage = 2,
};

/// A PATH that stands for the list read from standard input.
inline constexpr char kStandardInputList[] = "@-";

struct BatchOptions
{
    /// Descriptions, folders and "@LIST" files, as given.
    QStringList inputs;
    QString sourceCommand; ///< "srcValue", "scrDatabase", "scrShadow" or empty (as Show loads)
    QString reportCommand; ///< "ShowApplicationReport", ... or empty
    QString pdfDirectory;  ///< empty = no PDFs
    QString summaryPath;   ///< empty = no CSV summary
    int jobs = 1;
    int timeoutSeconds = 60;
    /// A folder of IODDs: the inputs are then value files (a master's JSON
    /// answers or Data Storage backups), each documented with its IODD.
    QString ioddLibrary;
    /// The product id of the IODD variant to show; empty = the values' own.
    QString variant;
    /// Each page in a renderer process of its own, as a frame runs it; by
    /// default the pages share one renderer process.
    bool isolatedRenderers = false;
    bool quiet = false;
    /// The browser engine's own lines reach standard error.
    bool verbose = false;
    bool pageScript = false; ///< the pages may run their script
};

/// Parses the arguments after the program name. On Help `*message` is the
/// usage text, on Error the reason. The default of --jobs is the number of
/// processor cores.
ParseResult parseBatchOptions(const QStringList &arguments, BatchOptions *options, QString *message);
