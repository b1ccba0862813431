// SPDX-License-Identifier: Apache-2.0
// The integrator's guide says what the code says: its table of the
// contract's names is the one list in the contract, and its minimal host is
// the file the install test builds and runs.
#include "contract/HostContract.h"
#include "tests/support/FileGuards.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

QString readText(const QString &path)
{
    return QString::fromUtf8(readBytes(path));
}

const QString kGuidePath = QStringLiteral(QUIRAVEL_SOURCE_DIR "/docs/hosting.md");

/// The text between a marker's begin and end comments (without them).
QString section(const QString &text, const QString &marker)
{
    const QString begin = QStringLiteral("<!-- %1: begin -->\n").arg(marker);
    const QString end = QStringLiteral("<!-- %1: end -->").arg(marker);
    const qsizetype from = text.indexOf(begin);
    const qsizetype to = text.indexOf(end);
    if (from < 0 || to < from)
        return QStringLiteral("(no section %1)").arg(marker);
    return text.mid(from + begin.size(), to - from - begin.size());
}

// In the order of HostContract::FactKind.
const char *const kKindNames[] = {"item", "function", "setting", "file", "load mode", "command"};

/// The table as the guide must hold it, one row a fact in the list's order.
QString expectedTable()
{
    QString table = QStringLiteral("| Kind | Name | Mode | What for |\n|---|---|---|---|\n");
    for (const HostContract::Fact &fact : HostContract::kFacts) {
        const bool moded = fact.kind == HostContract::FactKind::LoadMode ||
                           (fact.kind == HostContract::FactKind::Command && fact.value >= 0);
        table += QStringLiteral("| %1 | \"%2\" | %3 | %4 |\n")
                     .arg(QLatin1StringView(kKindNames[int(fact.kind)]), QLatin1StringView(fact.name),
                          moded ? QString::number(fact.value) : QString(), QLatin1StringView(fact.meaning));
    }
    return table;
}

} // namespace

TEST(hosting_guide_test, the_table_of_names_is_the_contracts_list)
{
    const QString expected = expectedTable();
    EXPECT_EQ(section(readText(kGuidePath), QStringLiteral("contract-names")), expected)
        << "docs/hosting.md's table of names should read:\n"
        << expected.toStdString();
}

TEST(hosting_guide_test, the_minimal_host_is_the_file_the_install_test_runs)
{
    QString host = readText(QStringLiteral(QUIRAVEL_SOURCE_DIR "/docs/examples/MinimalHost.cpp"));
    // The guide shows the host without the file's licence line.
    if (host.startsWith(QLatin1StringView("// SPDX-License-Identifier:")))
        host.remove(0, host.indexOf(u'\n') + 1);
    EXPECT_EQ(section(readText(kGuidePath), QStringLiteral("minimal-host")),
              QStringLiteral("```cpp\n") + host + QStringLiteral("```\n"));
}

TEST(hosting_guide_test, every_name_is_one_the_component_uses_once)
{
    // Two facts of one name would make a host answer one of them wrongly.
    for (const HostContract::Fact &a : HostContract::kFacts) {
        for (const HostContract::Fact &b : HostContract::kFacts) {
            if (&a != &b && a.kind == b.kind) {
                EXPECT_NE(QLatin1StringView(a.name), QLatin1StringView(b.name)) << a.name;
            }
        }
    }
}
