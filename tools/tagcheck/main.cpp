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
    // Qt would turn such a name into another that names no file.
    for (int i = 1; i < argc; ++i) {
        if (!FileName::isUtf8(argv[i])) {
            err << ToolOutput::notUtf8Text(argv[i]) << '\n';
            return TagCheck::UsageOrFileError;
        }
    }
    return TagCheck::runTagCheck(QCoreApplication::arguments(), out, err);
}
