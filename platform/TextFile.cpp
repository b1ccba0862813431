// Single-byte text files: a hand-written Windows-1252 codec (the files must
// read and write the same bytes on every system, whatever codecs the Qt
// build carries), whole-file reads and buffered writes.
#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

// Lines are nearly all plain ASCII, which needs neither table nor branch per
// character; both directions take it eight characters at a time.
constexpr int kBlock = 8;

/// Encodes `text` to `out` (room for text.size() bytes); answers the end.
char *encodeTo(char *out, QStringView text)
{
    const char16_t *in = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
#ifdef __SSE2__
    // Sixteen at a time while the text stays ASCII: one test, one pack.
    for (; i + 16 <= n; i += 16, out += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i + 8));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(a, b), _mm_set1_epi16(-0x80)),
                                              _mm_setzero_si128())) != 0xFFFF)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_packus_epi16(a, b));
    }
#endif
    while (i < n) {
        while (i + kBlock <= n) {
            char16_t any = 0;
            for (int k = 0; k < kBlock; ++k)
                any |= in[i + k];
            if (any >= 0x80)
                break;
            for (int k = 0; k < kBlock; ++k)
                out[k] = static_cast<char>(in[i + k]);
            out += kBlock;
            i += kBlock;
        }
        if (i >= n)
            break;
        const char16_t c = in[i++];
        // A character outside the basic plane is one "?", not two.
        if (QChar::isHighSurrogate(c) && i < n && QChar::isLowSurrogate(in[i]))
            ++i;
        *out++ = encodeUnit(c);
    }
    return out;
}

char16_t decodeUnit(unsigned char b)
{
    return (b >= 0x80 && b < 0xA0) ? kHighControls[b - 0x80] : char16_t(b);
}

void decodeTo(char16_t *out, const unsigned char *in, qsizetype n)
{
    qsizetype i = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
        if (_mm_movemask_epi8(bytes) != 0)
            break;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(bytes, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(bytes, zero));
    }
#endif
    for (; i + kBlock <= n; i += kBlock) {
        std::uint64_t block;
        std::memcpy(&block, in + i, sizeof block);
        if (block & 0x8080808080808080ULL) {
            for (int k = 0; k < kBlock; ++k)
                out[i + k] = decodeUnit(in[i + k]);
        } else {
            for (int k = 0; k < kBlock; ++k)
                out[i + k] = in[i + k];
        }
    }
    for (; i < n; ++i)
        out[i] = decodeUnit(in[i]);
}

/// Whether a line feed in [begin, end) does not follow a carriage return;
/// `begin` starts a line. A plain loop without an early exit, which the
/// compiler turns into vector code.
bool hasBareLineFeed(const char *begin, const char *end)
{
    if (begin >= end)
        return false;
    unsigned char bare = *begin == '\n';
    const qsizetype n = end - begin;
    for (qsizetype i = 1; i < n; ++i)
        bare |= (begin[i] == '\n') & (begin[i - 1] != '\r');
    return bare != 0;
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
    bytes.truncate(encodeTo(bytes.data(), text) - bytes.constData());
    return bytes;
}

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeTo(reinterpret_cast<char16_t *>(text.data()), reinterpret_cast<const unsigned char *>(bytes.data()),
             bytes.size());
    return text;
}

} // namespace Ansi

TextReader::TextReader() = default;

TextReader::~TextReader() = default;

bool TextReader::open(const QString &path)
{
    close();
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        m_error = openError(path, *file, true);
        return false;
    }
    if (file->isSequential()) {
        // No size to go by: all of it at once.
        m_data = file->readAll();
        if (file->error() != QFileDevice::NoError) {
            m_error = file->errorString();
            m_data.clear();
            return false;
        }
    } else {
        m_unread = file->size();
        m_file = std::move(file);
    }
    m_open = true;
    m_error.clear();
    return true;
}

bool TextReader::readMore()
{
    if (!m_file || m_unread <= 0)
        return false;
    // A stretch at a time keeps the memory touched small and warm; the
    // unread rest of the last one (part of a line) moves to the front.
    const qsizetype rest = m_data.size() - m_pos;
    if (m_pos > 0 && rest > 0)
        std::memmove(m_data.data(), m_data.constData() + m_pos, rest);
    m_pos = 0;
    const qint64 wanted = std::min<qint64>(m_unread, std::max(ReadChunkSize, rest));
    m_data.resize(rest + wanted);
    const qint64 got = m_file->read(m_data.data() + rest, wanted);
    if (got <= 0) {
        m_data.resize(rest);
        m_unread = 0;
        if (got < 0)
            m_error = m_file->errorString();
        return false;
    }
    m_data.resize(rest + got);
    m_unread -= got;
    return true;
}

bool TextReader::atEndOfStream() const
{
    return !m_open || (m_pos >= m_data.size() && m_unread <= 0);
}

QString TextReader::readLine()
{
    if (atEndOfStream())
        return {};
    return Ansi::decode(readRawLine());
}

QByteArrayView TextReader::readRawLine()
{
    if (atEndOfStream())
        return {};
    const char *begin = m_data.constData() + m_pos;
    qsizetype rest = m_data.size() - m_pos;
    const char *newline = static_cast<const char *>(std::memchr(begin, '\n', rest));
    while (!newline && readMore()) {
        begin = m_data.constData();
        newline = static_cast<const char *>(std::memchr(begin + rest, '\n', m_data.size() - rest));
        rest = m_data.size();
    }
    if (rest == 0)
        return {};
    qsizetype length = newline ? newline - begin : rest;
    m_pos += newline ? length + 1 : length;
    if (length > 0 && begin[length - 1] == '\r')
        --length;
    return QByteArrayView(begin, length);
}

QByteArrayView TextReader::readRawCrLfLinesWithout(char marker)
{
    if (atEndOfStream())
        return {};
    if (m_pos >= m_data.size())
        readMore();
    const char *const begin = m_data.constData() + m_pos;
    const char *const end = m_data.constData() + m_data.size();
    const auto *found = static_cast<const char *>(std::memchr(begin, marker, end - begin));
    const char *const limit = found ? found : end;
    // Everything up to the last line end before the marker is whole lines
    // without it; whether all of them end in CR LF is one more pass.
    const auto *lastLineFeed = static_cast<const char *>(memrchr(begin, '\n', limit - begin));
    if (!lastLineFeed)
        return {};
    const char *stop = lastLineFeed + 1;
    if (hasBareLineFeed(begin, stop)) {
        // Rare: stop at the first line that ends otherwise.
        const char *line = begin;
        while (line < stop) {
            const auto *lineFeed = static_cast<const char *>(std::memchr(line, '\n', stop - line));
            if (lineFeed == line || lineFeed[-1] != '\r')
                break;
            line = lineFeed + 1;
        }
        stop = line;
    }
    m_pos = stop - m_data.constData();
    return QByteArrayView(begin, stop - begin);
}

void TextReader::close()
{
    m_file.reset();
    m_data.clear();
    m_pos = 0;
    m_unread = 0;
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
        // Keeps the capacity for the next lines.
        buffer.resize(0);
        return !failed;
    }

    /// Room for `size` more bytes at the end of the buffer.
    char *append(qsizetype size)
    {
        const qsizetype used = buffer.size();
        buffer.resize(used + size);
        return buffer.data() + used;
    }

    /// Ends a line written up to `end` and flushes a full buffer.
    bool endLine(char *end)
    {
        *end++ = '\r';
        *end++ = '\n';
        buffer.resize(end - buffer.constData());
        return buffer.size() < kWriteBufferSize || flush();
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
    // The writer buffers itself; a second buffer would only copy once more.
    if (!p->file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
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
    // Encoding never makes a line longer: one byte per character at most.
    char *begin = d->append(line.size() + 2);
    if (!d->endLine(encodeTo(begin, line))) {
        m_error = d->file.errorString();
        return false;
    }
    return true;
}

bool TextWriter::writeRawLine(QByteArrayView line)
{
    if (!d || d->failed)
        return false;
    char *begin = d->append(line.size() + 2);
    if (!line.isEmpty())
        std::memcpy(begin, line.data(), line.size());
    if (!d->endLine(begin + line.size())) {
        m_error = d->file.errorString();
        return false;
    }
    return true;
}

bool TextWriter::writeRaw(QByteArrayView bytes)
{
    if (!d || d->failed)
        return false;
    bool ok = true;
    if (d->buffer.size() + bytes.size() < kWriteBufferSize) {
        if (!bytes.isEmpty())
            std::memcpy(d->append(bytes.size()), bytes.data(), bytes.size());
    } else if (d->flush()) {
        // Large enough to go straight to the file, without a copy.
        if (d->file.write(bytes.data(), bytes.size()) != bytes.size())
            d->failed = true;
        ok = !d->failed;
    } else {
        ok = false;
    }
    if (!ok)
        m_error = d->file.errorString();
    return ok;
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
