// SPDX-License-Identifier: Apache-2.0
// RAII owner of one BSTR, with conversions to and from QString.
#pragma once

#include "ComTypes.h"

#include <QString>
#include <utility>

class BStr
{
public:
    BStr() noexcept = default;
    explicit BStr(const QString &text)
        : m_s(SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), text.size()))
    {
    }
    BStr(const BStr &) = delete;
    BStr &operator=(const BStr &) = delete;
    BStr(BStr &&other) noexcept : m_s(std::exchange(other.m_s, nullptr)) {}
    BStr &operator=(BStr &&other) noexcept
    {
        std::swap(m_s, other.m_s);
        return *this;
    }
    ~BStr() { SysFreeString(m_s); }

    BSTR get() const noexcept { return m_s; }
    /// Frees what is held and hands out the address for an out-parameter.
    BSTR *put() noexcept
    {
        SysFreeString(std::exchange(m_s, nullptr));
        return &m_s;
    }
    [[nodiscard]] BSTR detach() noexcept { return std::exchange(m_s, nullptr); }

    QString toQString() const { return toQString(m_s); }
    static QString toQString(BSTR s)
    {
        return s ? QString(reinterpret_cast<const QChar *>(s), SysStringLen(s)) : QString();
    }
    /// A new BSTR for an out-parameter; the receiver frees it.
    static BSTR alloc(const QString &text)
    {
        return SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), text.size());
    }

private:
    BSTR m_s = nullptr;
};
