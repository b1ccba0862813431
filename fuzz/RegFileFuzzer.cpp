// SPDX-License-Identifier: Apache-2.0
// The ".reg" reader and writer on any bytes. Whatever is accepted must come
// back from its own output: reading what was written gives the same keys and
// values, and writing that again gives the same bytes. The same holds after
// a key tree is deleted and values are set through the document's API.
#include "platform/RegFile.h"
#include "platform/TextFile.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QString &detail = {})
{
    std::fprintf(stderr, "%s: \"%s\"\n", what, detail.toUtf8().constData());
    std::abort();
}

bool startsRegedit4(const QByteArray &bytes)
{
    return Ansi::decode(bytes).trimmed().section(u'\n', 0, 0).trimmed() == QLatin1StringView("REGEDIT4");
}

/// Every key path a header line names, as written: the document has no
/// list of its keys, so the file says which to compare.
QStringList headerPaths(const QByteArray &serialized)
{
    QStringList paths;
    QString text;
    if (serialized.startsWith("\xFF\xFE"))
        text = QString::fromUtf16(reinterpret_cast<const char16_t *>(serialized.constData() + 2),
                                  (serialized.size() - 2) / 2);
    else if (serialized.startsWith("\xEF\xBB\xBF"))
        text = QString::fromUtf8(serialized.sliced(3));
    else if (startsRegedit4(serialized))
        text = Ansi::decode(serialized);
    else {
        QStringDecoder decoder(QStringDecoder::Utf8);
        text = decoder(serialized);
        if (decoder.hasError())
            text = Ansi::decode(serialized);
    }
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (!line.startsWith(u'['))
            continue;
        const qsizetype close = line.lastIndexOf(u']');
        if (close <= 0)
            continue;
        QStringView path = line.sliced(1, close - 1);
        if (path.startsWith(u'-'))
            path = path.sliced(1);
        paths.append(path.toString());
    }
    return paths;
}

bool sameValues(const QList<RegFile::Value> &a, const QList<RegFile::Value> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].text != b[i].text ||
            a[i].bytes != b[i].bytes)
            return false;
    }
    return true;
}

bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder(bytes);
    return !decoder.hasError();
}

/// A newer export without a byte-order mark is read in the ANSI code page
/// when it is not UTF-8; what is written back may be UTF-8 by chance (the
/// bytes that were not are gone with a deleted key), and then reads as
/// such. Only the header "REGEDIT4" fixes the ANSI code page.
bool readAsAnsiByChance(const QByteArray &input, const QByteArray &written)
{
    const auto high = [](const QByteArray &bytes) {
        return std::any_of(bytes.cbegin(), bytes.cend(), [](char c) { return uchar(c) >= 0x80; });
    };
    if (input.startsWith("\xFF\xFE") || input.startsWith("\xEF\xBB\xBF") || isUtf8(input))
        return false;
    return !startsRegedit4(input) && isUtf8(written) && high(written);
}

/// Writes `document` (read from `input`), reads it back and checks that
/// nothing was lost or changed, and that writing again gives the same
/// bytes; answers the output.
QByteArray checkRoundTrip(const RegFile::Document &document, const QByteArray &input,
                          const QStringList &extraPaths)
{
    const QByteArray written = document.serialize();
    QString error;
    const std::optional<RegFile::Document> again = RegFile::Document::parse(written, &error);
    if (!again)
        fail("the writer's output was refused", error);
    if (again->serialize() != written)
        fail("writing what was read back gave other bytes", QString::fromUtf8(written.toHex()));
    if (readAsAnsiByChance(input, written))
        return written;
    if (again->keyCount() != document.keyCount())
        fail("the key count changed on reading back", QString::fromUtf8(written.toHex()));
    QStringList paths = headerPaths(written) + extraPaths;
    for (const QString &path : std::as_const(paths)) {
        if (again->hasKey(path) != document.hasKey(path))
            fail("a key came and went on reading back", path);
        if (!sameValues(again->values(path), document.values(path)))
            fail("a key's values changed on reading back", path);
    }
    return written;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 8192)
        return -1;
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    std::optional<RegFile::Document> document = RegFile::Document::parse(bytes, &error);
    if (!document) {
        if (error.isEmpty())
            fail("a refusal without a reason");
        return 0;
    }
    const QStringList paths = headerPaths(bytes);
    checkRoundTrip(*document, bytes, paths);

    // Changes go after what was read, in the document's own encoding and
    // line ends; ASCII text so that every encoding holds it.
    if (!paths.isEmpty())
        document->deleteTree(paths.first());
    const QString key = QStringLiteral("HKCU\\Software\\Fuzz");
    RegFile::Value text;
    text.name = QStringLiteral("quote \" and \\");
    text.text = QStringLiteral("C:\\Program Files\\\"x\"");
    document->setValue(key, text);
    RegFile::Value number;
    number.type = 4;
    number.bytes = QByteArray("\x01\x00\x00\x80", 4);
    document->setValue(key, number);
    RegFile::Value binary;
    binary.name = QStringLiteral("bin");
    binary.type = 7;
    binary.bytes = QByteArray("a\0b\xFF", 4);
    // A name the ANSI code page cannot hold would be written as "?", one
    // starting with "-" as a deletion.
    const QString other = paths.value(1, key);
    const bool writable = Ansi::decode(Ansi::encode(other)) == other && !other.trimmed().startsWith(u'-');
    document->setValue(writable ? other : key, binary);
    if (!document->value(key, text.name) || document->value(key, text.name)->text != text.text)
        fail("a value set is not there");
    checkRoundTrip(*document, bytes, paths + QStringList{key});
    return 0;
}
