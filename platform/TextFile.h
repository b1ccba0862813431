// SPDX-License-Identifier: Apache-2.0
// Text-file layer: single-byte Windows-1252 ("ANSI") files with CR LF line
// ends and no byte-order mark, read and written line by line.
//
// Reading accepts CR LF, LF-only and a last line without line end; every
// line written is followed by CR LF. A character that Windows-1252 cannot
// hold is written as its HTML numeric character reference ("&#937;" for
// "Ω"), since the files written are HTML; Ansi::encode makes it "?". Only
// regular files are read, and a line longer than TextReader::kMaxLineLength
// ends the stream with an error. A file is written under a new name beside
// it and takes the file's name only once it is complete, so its name never
// shows part of a file and a link at that name is replaced, never written
// through.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <memory>

namespace Ansi {
QByteArray encode(QStringView text);
/// As TextWriter::writeLine() encodes a line: a character the code page
/// lacks as its numeric character reference.
QByteArray encodeWithReferences(QStringView text);
QString decode(QByteArrayView bytes);
/// Decodes into `text`, whose buffer is reused when it is large enough.
void decodeInto(QString &text, QByteArrayView bytes);
} // namespace Ansi

class TextReader
{
public:
    /// How much of the file is read at a time (a line longer than that is
    /// read whole).
    static constexpr qsizetype kReadChunkSize = 1024 * 1024;

    TextReader();
    ~TextReader();
    /// A reader moved from may only be destroyed or assigned to.
    TextReader(TextReader &&) noexcept;
    TextReader &operator=(TextReader &&) noexcept;
    TextReader(const TextReader &) = delete;
    TextReader &operator=(const TextReader &) = delete;

    /// The longest line read (16 MiB): a longer one ends the stream.
    static constexpr qsizetype kMaxLineLength = 16 * 1024 * 1024;

    /// Opens the file, which is then read a stretch at a time; false with
    /// errorString() when it cannot or is no regular file (a FIFO, a device
    /// or a directory; opening never blocks). A read that fails later, or a
    /// line longer than kMaxLineLength, ends the stream and sets errorString().
    bool open(const QString &path);
    bool atEndOfStream() const;
    /// The next line without its line end.
    QString readLine();
    /// The next line's bytes without its line end, as they stand in the
    /// file; valid until the next read, close() or open().
    QByteArrayView readRawLine();
    /// Reads on over the whole lines ahead that end in CR LF and hold no
    /// `marker` byte, and answers their bytes as they stand in the file,
    /// line ends included (empty when the next line holds the marker or ends
    /// otherwise); valid as long as readRawLine()'s answer.
    QByteArrayView readRawCrLfLinesWithout(char marker);
    void close();
    QString errorString() const { return m_error; }

private:
    bool readMore();
    void failLongLine();

    struct Private;
    std::unique_ptr<Private> d;
    QString m_error;
};

class TextWriter
{
public:
    TextWriter();
    ~TextWriter();
    /// The file begun moves with the writer.
    TextWriter(TextWriter &&) noexcept;
    TextWriter &operator=(TextWriter &&) noexcept;
    TextWriter(const TextWriter &) = delete;
    TextWriter &operator=(const TextWriter &) = delete;

    /// Starts a new file that replaces the one at `path` when close()
    /// succeeds; until then `path` keeps what it held. False with
    /// errorString() when the file cannot be created beside `path`.
    bool create(const QString &path);
    /// Appends the line and CR LF; false once a write failed.
    bool writeLine(QStringView line);
    /// Appends bytes already in the file's encoding and CR LF; false once a
    /// write failed. Windows-1252 holds every byte, so a line read with
    /// readRawLine() comes out exactly as writeLine(readLine()) writes it.
    bool writeRawLine(QByteArrayView line);
    /// Appends bytes as they are, line ends included (a stretch of lines
    /// that already end in CR LF goes out in one piece); false once a write
    /// failed.
    bool writeRaw(QByteArrayView bytes);
    /// Writes what is left and puts the file in place of `path` (a link
    /// there is replaced, its target untouched); false with errorString()
    /// when anything could not be written, and `path` is then left as it was.
    bool close();
    /// Like close(), but puts the file in place even after a write failed,
    /// with what reached it: for output whose lines written before a failure
    /// must stay. False with errorString() when any write failed or the file
    /// could not be put in place.
    bool closeAsWritten();
    /// Drops the file begun; `path` is left as it was. A writer destroyed
    /// before close() does the same.
    void discard();
    bool isOpen() const;
    QString errorString() const { return m_error; }

private:
    bool finish(bool keepAfterError);

    struct Private;
    std::unique_ptr<Private> d;
    QString m_error;
};

namespace TextFile {
/// The path of the regular file (or link to one) in `path`'s directory
/// whose name equals `path`'s file name without regard to case (the exact
/// name preferred); empty when there is none or the name is empty. Then
/// `*whyNot`, when given, says why: "File not found", or what the entry of
/// that name is instead (a directory, a FIFO, a device, a dangling link).
QString findNoCase(const QString &path, QString *whyNot = nullptr);
} // namespace TextFile
