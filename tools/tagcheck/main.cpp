// SPDX-License-Identifier: Apache-2.0
#include "TagCheck.h"
#include "platform/FileName.h"

#include "tools/common/ToolOutput.h"
#include "tools/common/ToolSignals.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // The device model's simulated upload runs on Qt timers.
    QCoreApplication app(argc, argv);
    ToolOutput::installTranslations();
    QTextStream out(stdout);
    QTextStream err(stderr);
    // The check runs without an event loop; it looks for a signal between lines.
    ToolSignals::recordEndingSignals();
    // Qt would turn a name that is not UTF-8 into another that names no file.
    QStringList arguments{QCoreApplication::arguments().value(0)};
    for (int i = 1; i < argc; ++i) {
        QString reason;
        arguments.append(FileName::argument(argv[i], &reason));
        if (arguments.last().isEmpty() && !reason.isEmpty()) {
            err << reason << '\n';
            return TagCheck::UsageOrFileError;
        }
    }
    return TagCheck::runTagCheck(arguments, out, err);
}
