// SPDX-License-Identifier: Apache-2.0
#include "host/NoCaseIndex.h"

#include <QVarLengthArray>
#include <cstdint>
#include <cstring>

namespace {

// Names are hashed and compared four UTF-16 units at a time. A name that is
// plain ASCII, as nearly all are, is folded in the word itself; any other
// name is folded code point by code point first (the way QString::compare
// folds) and then hashed the same way, so that both agree.
constexpr std::uint64_t NonAscii = 0xFF80FF80FF80FF80ULL;
constexpr std::uint64_t HashMultiplier = 0x9E3779B97F4A7C15ULL;

/// The four ASCII units of `word` in lower case.
std::uint64_t foldedAscii(std::uint64_t word) noexcept
{
    // Per unit: bit 7 of unit + 0x3F is set from "A" on, of unit + 0x25 from
    // "[" on; no unit below 0x80 carries into the next.
    const std::uint64_t upper =
        (word + 0x003F003F003F003FULL) & ~(word + 0x0025002500250025ULL) & 0x0080008000800080ULL;
    return word | (upper >> 2);
}

std::uint64_t wordAt(const char16_t *p) noexcept
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

/// The last one to three units, zero-padded.
std::uint64_t tailWord(const char16_t *p, qsizetype count) noexcept
{
    std::uint64_t word = 0;
    for (qsizetype i = 0; i < count; ++i)
        word |= std::uint64_t(p[i]) << (16 * i);
    return word;
}

Q_NEVER_INLINE bool equalFolded(QStringView a, QStringView b) noexcept
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

std::uint64_t mixed(std::uint64_t hash, std::uint64_t word) noexcept
{
    hash = (hash ^ word) * HashMultiplier;
    return hash ^ (hash >> 29);
}

std::size_t finished(std::uint64_t hash) noexcept
{
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    return std::size_t(hash);
}

/// Hashes units already folded. Inline in each hash: it is the whole of the
/// exact one and the end of the folded ones.
Q_ALWAYS_INLINE std::size_t hashUnits(const char16_t *p, qsizetype n) noexcept
{
    std::uint64_t hash = std::uint64_t(n);
    for (; n >= 4; p += 4, n -= 4)
        hash = mixed(hash, wordAt(p));
    if (n > 0)
        hash = mixed(hash, tailWord(p, n));
    return finished(hash);
}

Q_NEVER_INLINE std::size_t hashFolded(QStringView name) noexcept
{
    QVarLengthArray<char16_t, 128> folded;
    const char16_t *p = name.utf16();
    const char16_t *const end = p + name.size();
    while (p < end) {
        char32_t c = *p++;
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p))
            c = QChar::surrogateToUcs4(char16_t(c), *p++);
        c = QChar::toCaseFolded(c);
        if (QChar::requiresSurrogates(c)) {
            folded.append(QChar::highSurrogate(c));
            folded.append(QChar::lowSurrogate(c));
        } else {
            folded.append(char16_t(c));
        }
    }
    return hashUnits(folded.constData(), folded.size());
}

} // namespace

std::size_t exactHash(QStringView name) noexcept
{
    return hashUnits(name.utf16(), name.size());
}

std::size_t NoCaseHash::operator()(QStringView name) const
{
    const char16_t *p = name.utf16();
    qsizetype n = name.size();
    std::uint64_t hash = std::uint64_t(n);
    for (; n >= 4; p += 4, n -= 4) {
        const std::uint64_t word = wordAt(p);
        if (word & NonAscii)
            return hashFolded(name);
        hash = mixed(hash, foldedAscii(word));
    }
    if (n > 0) {
        const std::uint64_t word = tailWord(p, n);
        if (word & NonAscii)
            return hashFolded(name);
        hash = mixed(hash, foldedAscii(word));
    }
    return finished(hash);
}

bool NoCaseEqual::operator()(QStringView a, QStringView b) const noexcept
{
    const qsizetype n = a.size();
    if (n != b.size())
        return false;
    const char16_t *p = a.utf16();
    const char16_t *q = b.utf16();
    // Folding beyond ASCII may join a surrogate pair, which is left to Qt.
    auto differ = [&](std::uint64_t x, std::uint64_t y) {
        return x != y && (((x | y) & NonAscii) ? !equalFolded(a, b) : foldedAscii(x) != foldedAscii(y));
    };
    if (n < 4)
        return !differ(tailWord(p, n), tailWord(q, n));
    // The last word may overlap the one before it, which equality does not mind.
    for (qsizetype i = 0; i < n - 4; i += 4) {
        const std::uint64_t x = wordAt(p + i);
        const std::uint64_t y = wordAt(q + i);
        if (x != y) {
            if ((x | y) & NonAscii)
                return equalFolded(a, b);
            if (foldedAscii(x) != foldedAscii(y))
                return false;
        }
    }
    return !differ(wordAt(p + n - 4), wordAt(q + n - 4));
}

// --- NamedValues ---

void NamedValues::set(const QString &name, const QString &value)
{
    auto it = m_entries.find(QStringView(name));
    if (it == m_entries.end())
        m_entries.emplace(name, value);
    else
        it->second = value;
}

void NamedValues::remove(const QString &name)
{
    if (const auto it = m_entries.find(QStringView(name)); it != m_entries.end())
        m_entries.erase(it);
}

const QString *NamedValues::value(QStringView name) const
{
    const auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : &it->second;
}
