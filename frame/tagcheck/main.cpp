#include "TagCheck.h"

#include "frame/ToolOutput.h"
#include "frame/ToolSignals.h"

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
    return TagCheck::runTagCheck(QCoreApplication::arguments(), out, err);
}
