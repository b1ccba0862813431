// SPDX-License-Identifier: Apache-2.0
// The whole template-to-print-file path on any template: the input is the
// template's bytes, the host a small fixed device in memory, the print file
// written beside the template in a temporary directory of this process over
// a link an older run left there.
//
// Whatever the template holds: the copy succeeds; the print file has as many
// lines as the template, each ending in CR LF; a line without "#" comes out
// byte for byte as read, a line with it as filling it on its own gives; the
// template is unchanged; the link's target is untouched; no other file is
// left in the directory; every item opened is closed and every host object
// released.
#include "host/DeviceModel.h"
#include "platform/ComError.h"
#include "platform/ComObject.h"
#include "platform/TextFile.h"
#include "printfile/TagSubstitution.h"
#include "printfile/TemplatePrintFile.h"
#include "printfile/clsEnum.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

[[noreturn]] void fail(const char *what, const QByteArray &detail = {})
{
    std::fprintf(stderr, "%s: \"%s\"\n", what, detail.toHex().constData());
    std::abort();
}

/// Lives as long as the fuzzer; removed with its files when the process ends.
std::unique_ptr<QTemporaryDir> workDirectory;

void setUpDevice(DeviceModel &model)
{
    model.setDeviceEntry(QStringLiteral("DEFAULTTAG"), QStringLiteral("TT-001"));
    model.setDeviceEntry(QStringLiteral("DEVTYPETEXT"), QStringLiteral("Temperature transmitter"));
    model.setDeviceEntry(QStringLiteral("VENDOR"), QStringLiteral("Nordbach & Söhne"));
    model.setApplicationValue(QStringLiteral("TEMPERATURE"), QStringLiteral("21.5"));
    // Text Windows-1252 cannot hold, and a "#" that must not be filled again.
    model.setApplicationValue(QStringLiteral("NOTE"), QStringLiteral("Ω € #TEMPERATURE#"));
    model.setApplicationValue(QStringLiteral("SENSOR_TYPE"), QStringLiteral("1"));
    model.setApplicationValue(QStringLiteral("BROKEN"), QStringLiteral("7"));
    // Each enumeration object is its own type, as a description without
    // "Type =" gives it.
    ObjectDefinition enumerated;
    enumerated.typeName = QStringLiteral("SENSOR_TYPE");
    enumerated.kind = 4;
    enumerated.enumerationName = QStringLiteral("SensorType");
    model.addObject(QStringLiteral("SENSOR_TYPE"), enumerated);
    model.addObject(QStringLiteral("TEMPERATURE"), {QStringLiteral("Float"), 4, 1, 0, {}});
    // An enumeration object whose enumeration the host does not have.
    ObjectDefinition missing = enumerated;
    missing.typeName = QStringLiteral("BROKEN");
    missing.enumerationName = QStringLiteral("Missing");
    model.addObject(QStringLiteral("BROKEN"), missing);
    EnumerationDefinition sensorType;
    sensorType.entries = {{0, QStringLiteral("Pt100 2-wire")}, {1, QStringLiteral("Pt100 3-wire")}};
    model.defineEnumeration(QStringLiteral("SensorType"), sensorType);
}

/// The template's lines as the text layer reads them: LF or CR LF ends a
/// line, and the last line may have none; a CR not before an LF (one ending
/// the file included) belongs to its line.
QList<QByteArray> linesOf(const QByteArray &bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    const bool lastEnded = bytes.isEmpty() || bytes.endsWith('\n');
    if (lastEnded)
        lines.removeLast();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if ((i + 1 < lines.size() || lastEnded) && lines[i].endsWith('\r'))
            lines[i].chop(1);
    }
    return lines;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("cannot read back", QFile::encodeName(path));
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("LC_ALL", "en_US.UTF-8", 1);
    workDirectory = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                    QStringLiteral("/fuzz_template_print_file-XXXXXX"));
    if (!workDirectory->isValid())
        std::abort();
    std::atexit([] { workDirectory.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 16384)
        return -1;
    const QByteArray templateBytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString templatePath = workDirectory->filePath(QStringLiteral("Minimal001.HTM"));
    const QString printPath = printFilePathFor(templatePath);
    const QString linkTarget = workDirectory->filePath(QStringLiteral("elsewhere.htm"));
    {
        QFile file(templatePath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(templateBytes) != templateBytes.size())
            fail("cannot write the template");
        QFile target(linkTarget);
        if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate) || target.write("older page") != 10)
            fail("cannot write the link's target");
        QFile::remove(printPath);
        if (!QFile::link(linkTarget, printPath))
            fail("cannot link the print file");
    }

    DeviceModel model;
    model.setCallLogEnabled(true);
    setUpDevice(model);
    QList<QByteArray> filled; // each line with "#" as filling it alone gives
    {
        ComPtr<AppItemManager> itemManager = model.itemManager();
        TagContext context;
        context.itemManager = itemManager.get();
        context.viewHandle = 7;
        context.databaseFileName = QStringLiteral("/data/plant.db");
        context.registeredOwner = [] { return QStringLiteral("Jane Doe"); };
        context.registeredOrganization = [] { return QStringLiteral("Field & Sons"); };
        context.now = [] { return QDateTime(QDate(2026, 12, 4), QTime(9, 5, 7)); };
        const auto fill = [&](QString &line) { FillTemplateLine(line, context); };

        const PrintFileResult result = writeTemplatePrintFile(templatePath, printPath, fill);
        if (!result.templateOpened || !result.succeeded())
            fail("the copy failed", result.reason.toUtf8());

        for (const QByteArray &line : linesOf(templateBytes)) {
            if (!line.contains('#'))
                continue;
            QString text = Ansi::decode(line);
            try {
                fill(text);
            } catch (const ComError &) {
                text = Ansi::decode(line);
            }
            filled.append(Ansi::encodeWithReferences(text));
        }
    }

    if (readAll(templatePath) != templateBytes)
        fail("the template changed", templateBytes);
    if (readAll(linkTarget) != "older page")
        fail("the print file was written through the link", templateBytes);
    if (QFileInfo(printPath).isSymLink())
        fail("the link is still there", templateBytes);
    const QStringList files =
        QDir(workDirectory->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    if (files.size() != 3)
        fail("files other than the template, the print file and the link's target",
             files.join(u' ').toUtf8());

    const QByteArray printed = readAll(printPath);
    if (!printed.isEmpty() && !printed.endsWith("\r\n"))
        fail("the print file does not end in CR LF", templateBytes);
    QList<QByteArray> printedLines = printed.split('\n');
    printedLines.removeLast();
    const QList<QByteArray> templateLines = linesOf(templateBytes);
    if (printedLines.size() != templateLines.size())
        fail("the print file has another number of lines", templateBytes);
    qsizetype nextFilled = 0;
    for (qsizetype i = 0; i < templateLines.size(); ++i) {
        QByteArray line = printedLines[i];
        if (!line.endsWith('\r'))
            fail("a line does not end in CR LF", templateBytes);
        line.chop(1);
        const QByteArray &expected = templateLines[i].contains('#') ? filled[nextFilled++] : templateLines[i];
        if (line != expected)
            fail("a line came out other than expected", templateBytes);
    }

    int opened = 0;
    int closed = 0;
    for (const HostCall &call : model.calls()) {
        opened +=
            call.operation == QLatin1StringView("OpenItem") && SUCCEEDED(call.status) && call.error == 0;
        closed += call.operation == QLatin1StringView("CloseItem");
    }
    if (opened != closed)
        fail("items opened and closed differ", templateBytes);
    if (model.liveObjects() != 0 || ComModule::objectCount() != model.existingObjects())
        fail("a host object was not released", templateBytes);
    return 0;
}
