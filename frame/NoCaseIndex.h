// Names matched without regard to case, as the host matches item, entry and
// definition names: a hash and equality that agree with QString::compare
// without regard to case, and a map of names to values built on them.
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <unordered_map>

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

/// A map from names, matched without regard to case, keeping the spelling a
/// name was first given as its key.
template<typename T> using NoCaseMap = std::unordered_map<QString, T, NoCaseHash, NoCaseEqual>;

/// Names mapped to values, matched without regard to case; a name keeps the
/// spelling it was first given.
class NamedValues
{
public:
    NamedValues() = default;
    NamedValues(const NamedValues &) = default;
    NamedValues &operator=(const NamedValues &other)
    {
        m_entries = other.m_entries;
        m_layout = std::max(m_layout, other.m_layout) + 1;
        return *this;
    }

    void set(const QString &name, const QString &value);
    void remove(const QString &name);
    void clear()
    {
        m_entries.clear();
        ++m_layout;
    }
    /// Changes whenever a name is added or removed; while it stays, what
    /// value() and name() returned stays valid and sees every new value.
    std::uint64_t layout() const { return m_layout; }
    bool contains(QStringView name) const { return m_entries.find(name) != m_entries.end(); }
    std::optional<QString> find(QStringView name) const;
    /// The value held for `name`, or null; valid until the next change.
    const QString *value(QStringView name) const;
    /// The name as first given, or null; valid until the next change.
    const QString *name(QStringView name) const;
    /// The names as first given, in no particular order.
    QStringList names() const;

    static QString keyOf(QStringView name) { return name.toString().toCaseFolded(); }

private:
    NoCaseMap<QString> m_entries;
    std::uint64_t m_layout = 1;
};
