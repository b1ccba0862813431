// SPDX-License-Identifier: Apache-2.0
// What every host object shares: the interface query, its count in the
// state, and the conversions between host strings and the state's names.
#pragma once

#include "host/HostState_p.h"
#include "platform/BStr.h"
#include "platform/ComObject.h"

namespace HostObjects {

// A listed object's definition handle is its position in the "Object"
// section (1, 2, ...), which the default report walks on from. Every other
// definition gets a negative handle, unlisted objects the odd and
// enumerations the even ones, so no two can meet however many there are.
enum class DefinitionKind { UnlistedObject, Enumeration };

inline std::int32_t definitionHandle(DefinitionKind kind, qsizetype index)
{
    // Beyond the range no handle is given rather than one that collides.
    if (index < 0 || index >= (qsizetype(1) << 30))
        return 0;
    return std::int32_t(-2 * index - (kind == DefinitionKind::UnlistedObject ? 1 : 2));
}

/// The index a negative handle stands for, or -1 when it is not one of `kind`.
inline qsizetype definitionIndex(DefinitionKind kind, std::int32_t handle)
{
    if (handle >= 0)
        return -1;
    const qint64 n = -qint64(handle);
    const bool odd = n % 2 == 1;
    if (odd != (kind == DefinitionKind::UnlistedObject))
        return -1;
    return qsizetype((n - 1) / 2);
}

inline constexpr std::int64_t kConnectedQuad = 0x4000000000000000LL;

inline bool sameName(QStringView a, QStringView b)
{
    return NoCaseEqual()(a, b);
}

/// A host string as it is, without copying it.
inline QStringView viewOf(BSTR text)
{
    return text ? QStringView(text, SysStringLen(text)) : QStringView();
}

/// A new BSTR for an out-parameter, straight from the text (a QString's
/// utf16() may first copy it).
inline BSTR newBStr(QStringView text)
{
    return SysAllocStringLen(reinterpret_cast<const OLECHAR *>(text.utf16()), std::uint32_t(text.size()));
}

inline QString quoted(BSTR text)
{
    return u'"' + BStr::toQString(text) + u'"';
}

inline QString objectSectionName()
{
    return QStringLiteral("Object");
}

} // namespace HostObjects

/// The interface query every host object answers, its count in the state,
/// and the reuse of an object after its last reference went.
template<typename Interface, const IID &InterfaceId>
class HostObject : public ComDispatchObject<HostObject<Interface, InterfaceId>, Interface>
{
public:
    explicit HostObject(std::shared_ptr<HostState> state) : m_state(std::move(state))
    {
        ++m_state->liveObjects;
    }
    virtual ~HostObject() { --m_state->liveObjects; }

    HRESULT QueryInterface(REFIID riid, void **object) override
    {
        return this->template queryOne<Interface>(riid, object, {IID_IDispatch, InterfaceId});
    }

protected:
    friend ComObject<HostObject, Interface>;
    /// The last reference is gone.
    virtual void lastReleased() { delete this; }

    std::shared_ptr<HostState> m_state;
};
