// SPDX-License-Identifier: Apache-2.0
// quiravel_rc: compiles the component's resource script into a C++ source
// that holds the string tables as string blocks of the platform's format and
// the version information.
//
//   quiravel_rc <script.rc> -o <output.cpp>
//   quiravel_rc <script.rc> --list        one "language id text" line per string
//
// Any error ends the run with "file:line: message".
#include "RcScript.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include <cstdio>

namespace {

int usage()
{
    std::fputs("usage: quiravel_rc <script.rc> (-o <output.cpp> | --list)\n", stderr);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 4)
        return usage();
    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString option = QString::fromLocal8Bit(argv[2]);
    const bool list = option == QLatin1String("--list") && argc == 3;
    if (!list && !(option == QLatin1String("-o") && argc == 4))
        return usage();

    QFile file(input);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: cannot open: %s\n", qPrintable(input), qPrintable(file.errorString()));
        return 1;
    }
    Script script;
    try {
        script = parseScript(file.readAll());
    } catch (const RcError &error) {
        std::fprintf(stderr, "%s:%d: %s\n", qPrintable(input), error.line,
                     error.message.toUtf8().constData());
        return 1;
    }

    if (list) {
        std::fputs(listing(script).toUtf8().constData(), stdout);
        return 0;
    }
    const QString outputName = QString::fromLocal8Bit(argv[3]);
    QSaveFile output(outputName);
    if (!output.open(QIODevice::WriteOnly) ||
        output.write(generate(script, QFileInfo(input).fileName()).toUtf8()) < 0 || !output.commit()) {
        std::fprintf(stderr, "%s: cannot write: %s\n", qPrintable(outputName),
                     qPrintable(output.errorString()));
        return 1;
    }
    return 0;
}
