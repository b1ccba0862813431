// Single-byte text files: a hand-written Windows-1252 codec (the files must
// read and write the same bytes on every system, whatever codecs the Qt
// build carries), whole-file reads and buffered writes.
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cstring>

namespace {

// 0x80 to 0x9F; the five bytes the code page leaves undefined stand for the
// C1 control of the same value, so that every byte survives a round trip.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char encodeUnit(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

constexpr qsizetype kWriteBufferSize = 64 * 1024;

// The messages the text-file service gives for its common failures.
QString openError(const QString &path, const QFile &file, bool forReading)
{
    const QFileInfo info(path);
    if (!info.dir().exists())
        return QStringLiteral("Path not found");
    if (forReading && !info.exists())
        return QStringLiteral("File not found");
    if (info.isDir())
        return QStringLiteral("Permission denied");
    if (file.error() == QFileDevice::PermissionsError || file.error() == QFileDevice::OpenError)
        return QStringLiteral("Permission denied");
    return file.errorString();
}

} // namespace

namespace Ansi {

QByteArray encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    const char16_t *in = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        // A character outside the basic plane is one "?", not two.
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(in[i + 1]))
            ++i;
        *out++ = encodeUnit(c);
    }
    bytes.truncate(out - bytes.data());
    return bytes;
}

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char b = in[i];
        out[i] = (b >= 0x80 && b < 0xA0) ? kHighControls[b - 0x80] : char16_t(b);
    }
    return text;
}

} // namespace Ansi

bool TextReader::open(const QString &path)
{
    close();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = openError(path, file, true);
        return false;
    }
    m_data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_error = file.errorString();
        m_data.clear();
        return false;
    }
    m_open = true;
    m_error.clear();
    return true;
}

bool TextReader::atEndOfStream() const
{
    return !m_open || m_pos >= m_data.size();
}

QString TextReader::readLine()
{
    if (atEndOfStream())
        return {};
    const char *begin = m_data.constData() + m_pos;
    const qsizetype rest = m_data.size() - m_pos;
    const auto *newline = static_cast<const char *>(std::memchr(begin, '\n', rest));
    qsizetype length = newline ? newline - begin : rest;
    m_pos += newline ? length + 1 : length;
    if (length > 0 && begin[length - 1] == '\r')
        --length;
    return Ansi::decode(QByteArrayView(begin, length));
}

void TextReader::close()
{
    m_data.clear();
    m_pos = 0;
    m_open = false;
}

struct TextWriter::Private
{
    QFile file;
    QByteArray buffer;
    bool failed = false;

    bool flush()
    {
        if (!buffer.isEmpty() && !failed) {
            if (file.write(buffer) != buffer.size())
                failed = true;
        }
        buffer.clear();
        return !failed;
    }
};

TextWriter::~TextWriter()
{
    close();
}

bool TextWriter::create(const QString &path)
{
    close();
    auto *p = new Private;
    p->file.setFileName(path);
    if (!p->file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_error = openError(path, p->file, false);
        delete p;
        return false;
    }
    p->buffer.reserve(kWriteBufferSize);
    d = p;
    m_error.clear();
    return true;
}

bool TextWriter::writeLine(QStringView line)
{
    if (!d || d->failed)
        return false;
    d->buffer += Ansi::encode(line);
    d->buffer += "\r\n";
    if (d->buffer.size() >= kWriteBufferSize && !d->flush()) {
        m_error = d->file.errorString();
        return false;
    }
    return true;
}

bool TextWriter::close()
{
    if (!d)
        return true;
    bool ok = d->flush();
    if (!d->file.flush())
        ok = false;
    d->file.close();
    if (!ok && m_error.isEmpty())
        m_error = d->file.errorString();
    delete d;
    d = nullptr;
    return ok;
}

bool TextWriter::isOpen() const
{
    return d != nullptr;
}

namespace TextFile {

QString findNoCase(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (name.isEmpty())
        return {};
    if (info.isFile())
        return path;
    const QString directory = path.left(path.size() - name.size());
    const QStringList entries = info.dir().entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return directory + entry;
    }
    return {};
}

} // namespace TextFile
