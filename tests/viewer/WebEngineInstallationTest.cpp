// SPDX-License-Identifier: Apache-2.0
// The structural check of the browser engine's resource packs: a pack the
// engine would crash on is refused before the engine starts.
#include "viewer/WebEngineInstallation.h"

#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <vector>

namespace {

template<typename T> void put(QByteArray &bytes, T value)
{
    char raw[sizeof(T)];
    qToLittleEndian(value, raw);
    bytes.append(raw, sizeof(T));
}

/// A pack's table of `resources`, whose bytes start at `offset`, and the
/// end entry after it.
void putTable(QByteArray &bytes, const QList<QPair<quint16, QByteArray>> &resources, quint32 offset)
{
    for (const auto &[id, data] : resources) {
        put<quint16>(bytes, id);
        put<quint32>(bytes, offset);
        offset += quint32(data.size());
    }
    put<quint16>(bytes, 0);
    put<quint32>(bytes, offset);
}

/// A version 5 pack of `resources` (id, data) and `aliases` (id, index).
QByteArray pack5(const QList<QPair<quint16, QByteArray>> &resources,
                 const QList<QPair<quint16, quint16>> &aliases)
{
    QByteArray bytes;
    put<quint32>(bytes, 5);
    put<quint8>(bytes, 1);
    bytes.append(3, '\0');
    put<quint16>(bytes, quint16(resources.size()));
    put<quint16>(bytes, quint16(aliases.size()));
    const quint32 offset = quint32(bytes.size() + (resources.size() + 1) * 6 + aliases.size() * 4);
    putTable(bytes, resources, offset);
    for (const auto &[id, index] : aliases) {
        put<quint16>(bytes, id);
        put<quint16>(bytes, index);
    }
    for (const auto &resource : resources)
        bytes += resource.second;
    return bytes;
}

/// The same resources as a version 4 pack (no aliases).
QByteArray pack4(const QList<QPair<quint16, QByteArray>> &resources)
{
    QByteArray bytes;
    put<quint32>(bytes, 4);
    put<quint32>(bytes, quint32(resources.size()));
    put<quint8>(bytes, 1);
    const quint32 offset = quint32(bytes.size() + (resources.size() + 1) * 6);
    putTable(bytes, resources, offset);
    for (const auto &resource : resources)
        bytes += resource.second;
    return bytes;
}

} // namespace

TEST(webengine_installation_test, a_resource_pack_is_refused_unless_its_table_of_contents_fits_the_file)
{
    const QList<QPair<quint16, QByteArray>> resources{{7, "<html>one</html>"}, {9, ""}, {12, "two"}};
    const QByteArray sound = pack5(resources, {{30, 0}, {31, 2}});
    QByteArray backwards = sound;
    qToLittleEndian<quint32>(quint32(sound.size() - 1),
                             backwards.data() + 12 + 2); // first entry past the second
    QByteArray badAlias = sound;
    qToLittleEndian<quint16>(3, badAlias.data() + 12 + 4 * 6 + 4 + 2);
    QByteArray badEncoding = sound;
    badEncoding[4] = 7;
    const std::vector<std::pair<const char *, QByteArray>> cases = {
        {"", sound},
        {"", sound + "trailing bytes"},
        {"", pack4(resources)},
        {"", pack5({{1, "x"}}, {})},
        {"is empty", {}},
        {"is cut short", "\x05"},
        {"is cut short", sound.left(11)},
        {"is cut short", sound.left(20)},
        {"is cut short", sound.left(sound.size() - 1)},
        {"has an unknown format", QByteArray(64, '\0')},
        {"has an unknown format", "<html></html>"},
        {"has a damaged table of contents", backwards},
        {"has a damaged table of contents", badAlias},
        {"has a damaged table of contents", badEncoding},
        {"has a damaged table of contents", pack5({}, {})},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath("qtwebengine_resources.pak");
    for (const auto &[problem, bytes] : cases) {
        SCOPED_TRACE(bytes.toHex().left(80).toStdString());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_EQ(resourcePackProblem(path), QString::fromLatin1(problem));
    }
    EXPECT_EQ(resourcePackProblem(dir.filePath("missing.pak")), "cannot be read");

    // The installation's own packs pass.
    const QDir installed(QLibraryInfo::path(QLibraryInfo::DataPath) + "/resources");
    for (const QString &name : installed.entryList({"*.pak"}, QDir::Files))
        EXPECT_EQ(resourcePackProblem(installed.filePath(name)), QString()) << name.toStdString();
}
