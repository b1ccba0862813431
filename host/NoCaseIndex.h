// SPDX-License-Identifier: Apache-2.0
// Names matched without regard to case, as the host matches item, entry and
// definition names: a hash and equality that agree with QString::compare
// without regard to case, and a map of names to values built on them.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

/// Hashes a name the way QString::compare without regard to case matches it
/// (code point by code point, folded), so that names can be looked up as the
/// host is handed them, without making a folded copy first.
struct NoCaseHash
{
    using is_transparent = void;
    // Deliberately not noexcept: the standard containers then keep each
    // key's hash, and a lookup compares names only where hashes match.
    std::size_t operator()(QStringView name) const;
};

struct NoCaseEqual
{
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept;
};

/// Hashes a name exactly as it is spelt, by the same steps as NoCaseHash
/// hashes a folded one.
std::size_t exactHash(QStringView name) noexcept;

/// Whether two texts of `n` units are the same units, compared a word at a
/// time inline: the names asked for are short, and a library call would cost
/// more than the comparison.
inline bool sameUnits(const char16_t *a, const char16_t *b, qsizetype n) noexcept
{
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint64_t x;
        std::uint64_t y;
        std::memcpy(&x, a + i, sizeof x);
        std::memcpy(&y, b + i, sizeof y);
        if (x != y)
            return false;
    }
    for (; i < n; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

/// Values found before, by the exact spelling their name was asked by: a
/// print file asks for each of its items by one spelling, tag after tag,
/// which an exact match answers without folding. Open addressing over a
/// power of two of slots. It takes no more spellings than the `limit` an
/// insert names, so a host asked for ever new spellings does not grow
/// without bound.
template<typename T> class SpellingCache
{
public:
    const T *find(QStringView name) const
    {
        if (m_slots.empty())
            return nullptr;
        const std::size_t hash = exactHash(name);
        for (std::size_t i = hash & mask();; i = (i + 1) & mask()) {
            const Slot &slot = m_slots[i];
            if (!slot.value)
                return nullptr;
            if (slot.hash == hash && slot.spelling.size() == name.size() &&
                sameUnits(reinterpret_cast<const char16_t *>(slot.spelling.constData()), name.utf16(),
                          name.size()))
                return slot.value;
        }
    }
    /// Keeps `value` under `name` unless `limit` spellings are kept already.
    void insert(QStringView name, const T *value, std::size_t limit)
    {
        if (m_used >= limit)
            return;
        if ((m_used + 1) * 2 > m_slots.size())
            grow();
        const std::size_t hash = exactHash(name);
        m_slots[freeSlot(hash)] = {hash, value, name.toString()};
        ++m_used;
    }

private:
    struct Slot
    {
        std::size_t hash = 0;
        const T *value = nullptr;
        QString spelling;
    };

    std::size_t mask() const noexcept { return m_slots.size() - 1; }
    std::size_t freeSlot(std::size_t hash) const noexcept
    {
        std::size_t i = hash & mask();
        while (m_slots[i].value)
            i = (i + 1) & mask();
        return i;
    }
    void grow()
    {
        const std::size_t size = std::max<std::size_t>(64, m_slots.size() * 2);
        std::vector<Slot> old = std::exchange(m_slots, std::vector<Slot>(size));
        for (Slot &slot : old) {
            if (slot.value)
                m_slots[freeSlot(slot.hash)] = std::move(slot);
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_used = 0;
};

/// A map from names, matched without regard to case, keeping the spelling a
/// name was first given as its key.
template<typename T> using NoCaseMap = std::unordered_map<QString, T, NoCaseHash, NoCaseEqual>;

/// Names mapped to values, matched without regard to case; a name keeps the
/// spelling it was first given.
class NamedValues
{
public:
    void set(const QString &name, const QString &value);
    void remove(const QString &name);
    /// The value held for `name`, or null; valid until the next change.
    const QString *value(QStringView name) const;

    static QString keyOf(QStringView name) { return name.toString().toCaseFolded(); }

private:
    NoCaseMap<QString> m_entries;
};
