// SPDX-License-Identifier: Apache-2.0
// Single-byte text files: a hand-written Windows-1252 codec (the files must
// read and write the same bytes on every system, whatever codecs the Qt
// build carries), chunked reads and buffered writes that replace a file
// only when it is complete.
#include "TextFile.h"

#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
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

/// Writes the HTML numeric character reference of `code` ("&#937;").
char *writeReference(char *out, char32_t code)
{
    char digits[8];
    int count = 0;
    do {
        digits[count++] = char('0' + code % 10);
        code /= 10;
    } while (code != 0);
    *out++ = '&';
    *out++ = '#';
    while (count > 0)
        *out++ = digits[--count];
    *out++ = ';';
    return out;
}

/// What a character the code page lacks becomes.
enum class Unencodable { QuestionMark, Reference };

/// The room encodeTo needs for `text`: a byte a character, and up to eight
/// ("&#65535;") for one the code page may lack.
qsizetype encodedRoom(QStringView text, Unencodable unencodable)
{
    if (unencodable == Unencodable::QuestionMark)
        return text.size();
    qsizetype wide = 0;
    const char16_t *units = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i)
        wide += units[i] >= 0x100;
    return text.size() + 7 * wide;
}

/// Encodes `text` to `out` (room for encodedRoom() bytes); answers the end.
char *encodeTo(char *out, QStringView text, Unencodable unencodable = Unencodable::QuestionMark)
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
        char32_t code = c;
        // A character outside the basic plane is one character, not two.
        if (QChar::isHighSurrogate(c) && i < n && QChar::isLowSurrogate(in[i]))
            code = QChar::surrogateToUcs4(c, in[i++]);
        const char byte = code > 0xFFFF ? '?' : encodeUnit(c);
        // A lone surrogate is no character a reference could name.
        if (byte == '?' && c != u'?' && unencodable == Unencodable::Reference && !QChar::isSurrogate(code))
            out = writeReference(out, code);
        else
            *out++ = byte;
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
QString openError(const QString &path, int error, bool forReading)
{
    switch (error) {
    case ENOENT:
        return forReading && QFileInfo(path).dir().exists() ? QStringLiteral("File not found")
                                                            : QStringLiteral("Path not found");
    case ENOTDIR:
        return QStringLiteral("Path not found");
    case EACCES:
    case EPERM:
        return QStringLiteral("Permission denied");
    default:
        return qt_error_string(error);
    }
}

/// Why `path` is not a regular file (or a link to one); empty when it is.
QString whyNotRegular(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info;
    if (::stat(native.constData(), &info) == 0)
        return RegularFile::notRegularReason(info.st_mode);
    const int error = errno;
    if (error == ENOENT && ::lstat(native.constData(), &info) == 0 && S_ISLNK(info.st_mode))
        return QStringLiteral("File not found (a dangling link)");
    if (error == ENOENT || error == ENOTDIR)
        return QStringLiteral("File not found");
    return qt_error_string(error);
}

QString tooLongLine()
{
    return QStringLiteral("A line is longer than %1 MiB").arg(TextReader::kMaxLineLength / (1024 * 1024));
}

} // namespace

namespace Ansi {

QByteArray encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bytes.truncate(encodeTo(bytes.data(), text) - bytes.constData());
    return bytes;
}

QByteArray encodeWithReferences(QStringView text)
{
    QByteArray bytes(encodedRoom(text, Unencodable::Reference), Qt::Uninitialized);
    bytes.truncate(encodeTo(bytes.data(), text, Unencodable::Reference) - bytes.constData());
    return bytes;
}

QString decode(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    decodeTo(reinterpret_cast<char16_t *>(text.data()), reinterpret_cast<const unsigned char *>(bytes.data()),
             bytes.size());
    return text;
}

void decodeInto(QString &text, QByteArrayView bytes)
{
    text.resize(bytes.size());
    decodeTo(reinterpret_cast<char16_t *>(text.data()), reinterpret_cast<const unsigned char *>(bytes.data()),
             bytes.size());
}

} // namespace Ansi

struct TextReader::Private
{
    std::unique_ptr<QFile> file;
    QByteArray data; ///< the stretch read so far, from pos on unread
    qsizetype pos = 0;
    qint64 unread = 0; ///< bytes of the file not yet in data
    bool open = false;
};

TextReader::TextReader() : d(std::make_unique<Private>()) {}

TextReader::TextReader(TextReader &&) noexcept = default;

TextReader &TextReader::operator=(TextReader &&) noexcept = default;

TextReader::~TextReader() = default;

bool TextReader::open(const QString &path)
{
    close();
    RegularFile opened;
    if (!opened.open(path)) {
        m_error = opened.status() == RegularFile::Status::OpenFailed
                      ? openError(path, opened.systemError(), true)
                      : opened.reason();
        return false;
    }
    const qint64 size = opened.info().st_size;
    const int fd = opened.release();
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        m_error = file->errorString();
        ::close(fd);
        return false;
    }
    d->unread = size;
    d->file = std::move(file);
    d->open = true;
    m_error.clear();
    return true;
}

void TextReader::failLongLine()
{
    // The rest of the file is not read: a line that long is no template's.
    m_error = tooLongLine();
    d->file.reset();
    d->data.clear();
    d->pos = 0;
    d->unread = 0;
}

bool TextReader::readMore()
{
    if (!d->file || d->unread <= 0)
        return false;
    // A stretch at a time keeps the memory touched small and warm; the
    // unread rest of the last one (part of a line) moves to the front.
    const qsizetype rest = d->data.size() - d->pos;
    if (d->pos > 0 && rest > 0)
        std::memmove(d->data.data(), d->data.constData() + d->pos, rest);
    d->pos = 0;
    const qint64 wanted = std::min<qint64>(d->unread, std::max(kReadChunkSize, rest));
    d->data.resize(rest + wanted);
    const qint64 got = d->file->read(d->data.data() + rest, wanted);
    if (got <= 0) {
        d->data.resize(rest);
        d->unread = 0;
        if (got < 0)
            m_error = d->file->errorString();
        return false;
    }
    d->data.resize(rest + got);
    d->unread -= got;
    return true;
}

bool TextReader::atEndOfStream() const
{
    return !d->open || (d->pos >= d->data.size() && d->unread <= 0);
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
    const char *begin = d->data.constData() + d->pos;
    qsizetype rest = d->data.size() - d->pos;
    const char *newline = static_cast<const char *>(std::memchr(begin, '\n', rest));
    while (!newline && rest <= kMaxLineLength + 1 && readMore()) {
        begin = d->data.constData();
        newline = static_cast<const char *>(std::memchr(begin + rest, '\n', d->data.size() - rest));
        rest = d->data.size();
    }
    if (rest == 0)
        return {};
    qsizetype length = newline ? newline - begin : rest;
    // Only a CR before the LF belongs to the line end; one at the very end
    // of the file is a bare CR like any inside a line, and kept.
    const bool crLf = newline && length > 0 && begin[length - 1] == '\r';
    // The limit counts the line without its line end, CR included.
    if (length > kMaxLineLength + 1 || (length == kMaxLineLength + 1 && !crLf)) {
        failLongLine();
        return {};
    }
    d->pos += newline ? length + 1 : length;
    if (crLf)
        --length;
    return QByteArrayView(begin, length);
}

QByteArrayView TextReader::readRawCrLfLinesWithout(char marker)
{
    if (atEndOfStream())
        return {};
    if (d->pos >= d->data.size())
        readMore();
    const char *const begin = d->data.constData() + d->pos;
    const char *const end = d->data.constData() + d->data.size();
    // No further than one longest line: a longer one is readRawLine()'s to refuse.
    const char *const window = end - begin > kMaxLineLength + 2 ? begin + kMaxLineLength + 2 : end;
    const auto *found = static_cast<const char *>(std::memchr(begin, marker, window - begin));
    const char *const limit = found ? found : window;
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
    d->pos = stop - d->data.constData();
    return QByteArrayView(begin, stop - begin);
}

void TextReader::close()
{
    d->file.reset();
    d->data.clear();
    d->pos = 0;
    d->unread = 0;
    d->open = false;
}

struct TextWriter::Private
{
    SafeFileWriter file;
    QByteArray buffer;

    bool failed() const { return file.systemError() != 0; }

    bool flush()
    {
        if (!buffer.isEmpty())
            file.write(buffer.constData(), buffer.size());
        // Keeps the capacity for the next lines.
        buffer.resize(0);
        return !failed();
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

TextWriter::TextWriter() = default;

TextWriter::~TextWriter()
{
    discard();
}

TextWriter::TextWriter(TextWriter &&other) noexcept : d(std::move(other.d)), m_error(std::move(other.m_error))
{
}

TextWriter &TextWriter::operator=(TextWriter &&other) noexcept
{
    if (this != &other) {
        discard();
        d = std::move(other.d);
        m_error = std::move(other.m_error);
    }
    return *this;
}

bool TextWriter::create(const QString &path)
{
    close();
    m_error.clear();
    auto p = std::make_unique<Private>();
    if (!p->file.create(path)) {
        m_error = path.isEmpty() ? QStringLiteral("Path not found") : p->file.errorString();
        return false;
    }
    p->buffer.reserve(kWriteBufferSize);
    d = std::move(p);
    return true;
}

bool TextWriter::writeLine(QStringView line)
{
    if (!d || d->failed())
        return false;
    char *begin = d->append(encodedRoom(line, Unencodable::Reference) + 2);
    if (!d->endLine(encodeTo(begin, line, Unencodable::Reference))) {
        m_error = d->file.errorString();
        return false;
    }
    return true;
}

bool TextWriter::writeRawLine(QByteArrayView line)
{
    if (!d || d->failed())
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
    if (!d || d->failed())
        return false;
    if (d->buffer.size() + bytes.size() < kWriteBufferSize) {
        if (!bytes.isEmpty())
            std::memcpy(d->append(bytes.size()), bytes.data(), bytes.size());
    } else if (d->flush()) {
        // Large enough to go straight to the file, without a copy.
        d->file.write(bytes.data(), bytes.size());
    }
    if (d->failed()) {
        m_error = d->file.errorString();
        return false;
    }
    return true;
}

bool TextWriter::close()
{
    return finish(false);
}

bool TextWriter::closeAsWritten()
{
    return finish(true);
}

bool TextWriter::finish(bool keepAfterError)
{
    if (!d)
        return true;
    // No flush to the disk: the file is made anew on every run, and waiting
    // for the disk on every refresh of the view would cost more than a page
    // lost with the power is worth.
    d->flush();
    const bool ok = d->file.commit(keepAfterError);
    if (!ok)
        m_error = d->file.errorString();
    d.reset();
    return ok;
}

void TextWriter::discard()
{
    d.reset();
}

bool TextWriter::isOpen() const
{
    return d != nullptr;
}

namespace TextFile {

QString findNoCase(const QString &path, QString *whyNot)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    QString problem;
    if (!name.isEmpty()) {
        problem = whyNotRegular(path);
        if (problem.isEmpty())
            return path;
        const QString directory = path.left(path.size() - name.size());
        const QStringList entries =
            info.dir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
        for (const QString &entry : entries) {
            if (entry == name || entry.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            const QString why = whyNotRegular(directory + entry);
            if (why.isEmpty())
                return directory + entry;
            if (problem.startsWith(QLatin1StringView("File not found")))
                problem = why;
        }
    }
    if (whyNot)
        *whyNot = problem.isEmpty() ? QStringLiteral("File not found") : problem;
    return {};
}

} // namespace TextFile
