// SPDX-License-Identifier: Apache-2.0
#include "printfile/DefaultReport.h"
#include "PrintFileTestSupport.h"
#include "contract/HostContract.h"
#include "platform/ComError.h"
#include "tests/support/ComErrorAssert.h"
#include "tests/support/FileGuards.h"

#include <QDir>
#include <QTemporaryDir>
#include <unistd.h>

namespace {

/// A report as the layout gives it, written by hand (Windows-1252, CR LF),
/// with the clock fixed at 4 December 2026, 09:05:07.
QByteArray golden(const char *name)
{
    return readBytes(QStringLiteral(PRINTFILE_GOLDEN_DIR "/") + QLatin1StringView(name));
}

/// The first `count` lines of `report`, each with its CR LF.
QByteArray firstLines(const QByteArray &report, qsizetype count)
{
    qsizetype end = 0;
    while (count-- > 0)
        end = report.indexOf("\r\n", end) + 2;
    return report.left(end);
}

// Where the parts of the full golden reports start: the device entries
// after the sixteen lines of the head, the objects after the entries and
// their spacer.
constexpr qsizetype kEntriesStart = 16;
constexpr qsizetype kObjectsStart = 20;

class Report : public HostDevice
{
public:
    Report()
    {
        model.setDeviceEntry(QStringLiteral("VENDOR"), QStringLiteral("Gerätebau & Co"));
        model.setDeviceEntry(QStringLiteral("NICKNAME"), QStringLiteral("TT 1"));
        model.setDeviceEntry(QStringLiteral("DEVDESCLONG"), QString());
        addObject(QStringLiteral("Nineteen_characters"), QStringLiteral("19"));
        model.setShadowValue(QStringLiteral("Nineteen_characters"), QStringLiteral("shadow 19"));
        addObject(QStringLiteral("&&private&&Hidden"), QStringLiteral("secret"));
        addObject(QStringLiteral("Twenty_characters_xx"), QStringLiteral("20"));
        addEnumObject(QStringLiteral("Mode"), QStringLiteral("2.5"));
        addObject(QStringLiteral("Twenty_one_characters"), QStringLiteral("21"));
        addEnumObject(QStringLiteral("Mode2"), QStringLiteral("3.5"));
        // Listed without a value of its own.
        model.addObjectName(QStringLiteral("Ghost"));
        addEnumObject(QStringLiteral("Mode3"), QStringLiteral("letters"));
    }

    void addObject(const QString &name, const QString &value)
    {
        model.addObject(name);
        model.setApplicationValue(name, value);
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QString::fromLatin1(HostContract::kReportFileName));
};

TEST(default_report_test, writes_the_whole_report_byte_for_byte_in_both_languages)
{
    for (const auto &[localeName, goldenName] :
         {std::pair{"en_US.UTF-8", "REPORT_en.HTM"}, std::pair{"de_DE.UTF-8", "REPORT_de.HTM"}}) {
        ScopedEnv locale("LC_ALL", localeName);
        Report host;
        WriteReportFile(host.context(), host.path);
        EXPECT_EQ(readBytes(host.path), golden(goldenName)) << localeName;
        host.expectEverythingReleased();
    }
}

TEST(default_report_test, an_error_ends_the_report_and_keeps_the_lines_before_it)
{
    ScopedEnv locale("LC_ALL", "en_US.UTF-8");
    // No operation: a value too large for an enumeration number.
    // What, the operation that fails, its status, the lines kept of the full English report.
    const std::tuple<const char *, const char *, HRESULT, qsizetype> cases[] = {
        {"value too large for an enumeration number", nullptr, DISP_E_OVERFLOW, kObjectsStart + 4},
        {"failure status of the enumeration lookup", "GetEnumerationEntries", E_ACCESSDENIED,
         kObjectsStart + 2},
        {"failure status of an item read", "GetItemString", E_FAIL, kObjectsStart},
        {"failure status of a device entry", "GetDeviceEntry", E_FAIL, kEntriesStart},
    };
    for (const auto &[what, operation, status, linesKept] : cases) {
        Report host;
        if (operation)
            host.model.failOperation(QString::fromLatin1(operation), status);
        else
            host.model.setApplicationValue(QStringLiteral("Mode2"), QStringLiteral("2147483648"));
        SCOPED_TRACE(what);
        EXPECT_COM_ERROR(WriteReportFile(host.context(), host.path), status, std::nullopt);
        EXPECT_EQ(readBytes(host.path), firstLines(golden("REPORT_en.HTM"), linesKept)) << what;
        host.expectEverythingReleased();
    }
}

TEST(default_report_test, a_link_is_never_written_through_and_a_full_disk_keeps_what_was_written)
{
    ScopedEnv locale("LC_ALL", "en_US.UTF-8");
    // REPORT.HTM links to a file of the user's: the link is replaced.
    Report host;
    const QString mine = host.dir.filePath(QStringLiteral("mine.htm"));
    writeBytes(mine, "keep me\r\n");
    ASSERT_EQ(::symlink(QFile::encodeName(mine).constData(), QFile::encodeName(host.path).constData()), 0);
    const QByteArray whole = golden("REPORT_en.HTM");
    {
        TemplateGuard guard(mine);
        WriteReportFile(host.context(), host.path);
    }
    EXPECT_FALSE(QFileInfo(host.path).isSymLink());
    EXPECT_EQ(readBytes(host.path), whole);

    // The disk fills up part-way: the reason is the real one, and the lines
    // written before it stay.
    {
        ScopedFileSizeLimit full(1024);
        ASSERT_TRUE(full.isSet());
        try {
            WriteReportFile(host.context(), host.path);
            ADD_FAILURE() << "no error on a full disk";
        } catch (const ComError &e) {
            EXPECT_EQ(e.description(), QStringLiteral("File too large"));
        }
    }
    const QByteArray kept = readBytes(host.path);
    EXPECT_FALSE(kept.isEmpty());
    EXPECT_LT(kept.size(), whole.size());
    EXPECT_TRUE(whole.startsWith(kept));
    EXPECT_EQ(readBytes(mine), QByteArray("keep me\r\n"));
    EXPECT_EQ(
        QDir(host.dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
        (QStringList{QString::fromLatin1(HostContract::kReportFileName), QStringLiteral("mine.htm")}));
}

} // namespace
