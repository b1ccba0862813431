#include "TagCheck.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    // The device model's simulated upload runs on Qt timers.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return TagCheck::runTagCheck(QCoreApplication::arguments(), out, err);
}
