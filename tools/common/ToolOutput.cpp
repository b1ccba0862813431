// SPDX-License-Identifier: Apache-2.0
#include "ToolOutput.h"

#include "platform/FileName.h"
#include "resources/Language.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif
#include <thread>
#include <unistd.h>

namespace ToolOutput {
namespace {

std::FILE *g_errors = nullptr;

void passOn(int from, int to)
{
    char buffer[4096];
    for (;;) {
        const ssize_t count = ::read(from, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return;
        for (ssize_t done = 0; to >= 0 && done < count;) {
            const ssize_t written = ::write(to, buffer + done, size_t(count - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                break;
            done += written;
        }
    }
}

} // namespace

QString statusText(HRESULT status)
{
    return status == S_OK
               ? QStringLiteral("S_OK")
               : QStringLiteral("0x%1").arg(static_cast<std::uint32_t>(status), 8, 16, QLatin1Char('0'));
}

std::FILE *errorStream()
{
    return g_errors ? g_errors : stderr;
}

void putText(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit().replace('\0', "\\0");
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

void printError(const QString &tool, const QString &reason)
{
    putText(errorStream(), QStringLiteral("%1: %2\n").arg(tool, reason));
}

QString usageLine(const QString &tool, const QString &reason)
{
    QString text = reason.trimmed();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return QStringLiteral("%1: ").arg(tool) +
           QCoreApplication::translate("ToolOutput", "%1; see '%2 --help'").arg(shownPath(text), tool);
}

void printUsageError(const QString &tool, const QString &reason)
{
    std::FILE *stream = errorStream();
    std::fputs((usageLine(tool, reason) + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

QString helpText(const QCommandLineParser &parser, const QString &tool)
{
    // Qt names the program by the path it was started with, or by a
    // placeholder while no application object exists.
    QString text = parser.helpText();
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    QString usage = text.left(lineEnd);
    const QString started = QCoreApplication::instance() ? QCoreApplication::arguments().value(0) : QString();
    usage.replace(QStringLiteral("<executable_name>"), tool);
    if (!started.isEmpty())
        usage.replace(started, tool);
    return usage + text.mid(lineEnd);
}

QString versionText(const QString &tool)
{
    return QStringLiteral("%1 %2\n").arg(tool, QStringLiteral(QUIRAVEL_VERSION_TEXT));
}

QString shownPath(const QString &path)
{
    const QString native = QDir::toNativeSeparators(FileName::shownPath(path));
    QString shown;
    shown.reserve(native.size());
    for (const QChar c : native) {
        if (c == u'\n')
            shown += QStringLiteral("\\n");
        else if (c == u'\r')
            shown += QStringLiteral("\\r");
        else if (c == u'\t')
            shown += QStringLiteral("\\t");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

bool readArguments(const QString &tool, int argc, char **argv, QStringList *arguments)
{
    for (int i = 1; i < argc; ++i) {
        QString reason;
        const QString argument = FileName::argument(argv[i], &reason);
        if (argument.isEmpty() && !reason.isEmpty()) {
            printError(tool, reason);
            return false;
        }
        arguments->append(argument);
    }
    return true;
}

void installTranslations()
{
    // The component speaks German only to a German user in Germany, and
    // English to everyone else; its host must not answer in a third way.
    if (GetLanguageCode() != QLatin1String("049"))
        return;
    const QLocale german(QLocale::German, QLocale::Germany);
    static QTranslator qt;
    static QTranslator tools;
    if (qt.load(german, QStringLiteral("qt"), QStringLiteral("_"),
                QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qt);
    if (tools.load(german, QStringLiteral("quiravel"), QStringLiteral("_"),
                   QStringLiteral(":/quiravel/i18n")))
        QCoreApplication::installTranslator(&tools);
}

void keepEngineOutputAway(bool verbose)
{
    if (g_errors)
        return;
    const int user = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    int lines[2];
    if (user < 0 || ::pipe2(lines, O_CLOEXEC) != 0)
        return;
    std::FILE *errors = ::fdopen(user, "w");
    std::fflush(stderr);
    if (!errors || ::dup2(lines[1], STDERR_FILENO) < 0) {
        ::close(lines[0]);
        ::close(lines[1]);
        return;
    }
    ::close(lines[1]);
    g_errors = errors;
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizers report as the process ends, when the thread that
    // passes lines on may be gone: they write to the user's descriptor.
    __sanitizer_set_report_fd(reinterpret_cast<void *>(static_cast<std::intptr_t>(user)));
#endif
    // The helper processes inherit descriptor 2 and keep the pipe open
    // past our own end; the reader is left to the process's exit.
    std::thread(passOn, lines[0], verbose ? user : -1).detach();
}

} // namespace ToolOutput
