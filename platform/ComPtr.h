// SPDX-License-Identifier: Apache-2.0
// The one smart pointer for COM-style references.
#pragma once

#include "ComTypes.h"

#include <utility>

template<typename T> class ComPtr
{
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    /// Takes a new reference (AddRef) to `p`.
    explicit ComPtr(T *p) noexcept : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr &other) noexcept : ComPtr(other.m_p) {}
    ComPtr(ComPtr &&other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { reset(); }

    ComPtr &operator=(const ComPtr &other) noexcept
    {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr &operator=(ComPtr &&other) noexcept
    {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }
    ComPtr &operator=(std::nullptr_t) noexcept
    {
        reset();
        return *this;
    }

    /// Adopts a reference the caller already owns (no AddRef).
    static ComPtr adopt(T *p) noexcept
    {
        ComPtr r;
        r.m_p = p;
        return r;
    }

    void reset() noexcept
    {
        if (T *p = std::exchange(m_p, nullptr))
            p->Release();
    }
    void swap(ComPtr &other) noexcept { std::swap(m_p, other.m_p); }

    /// Releases what is held and hands out the address for an out-parameter.
    T **put() noexcept
    {
        reset();
        return &m_p;
    }
    void **putVoid() noexcept { return reinterpret_cast<void **>(put()); }

    /// Hands the reference to the caller (no Release).
    [[nodiscard]] T *detach() noexcept { return std::exchange(m_p, nullptr); }

    T *get() const noexcept { return m_p; }
    T *operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }

    template<typename U> ComPtr<U> query(REFIID iid) const noexcept
    {
        ComPtr<U> r;
        if (m_p)
            m_p->QueryInterface(iid, r.putVoid());
        return r;
    }

private:
    T *m_p = nullptr;
};
