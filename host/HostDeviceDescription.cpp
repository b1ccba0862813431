// SPDX-License-Identifier: Apache-2.0
#include "host/HostDeviceDescription_p.h"

#include <string>

using namespace HostObjects;

namespace {

/// Inline rather than a library call: every tag asks with this name.
bool isUpperObjectSection(QStringView name)
{
    return name.size() == 6 && sameUnits(name.utf16(), u"OBJECT", 6);
}

} // namespace

void HostDeviceDescription::lastReleased()
{
    if (!m_keeper) {
        delete this;
        return;
    }
    m_idle = true;
    ++m_state->idleObjects;
}

HRESULT HostDeviceDescription::entry(const NamedValues &entries, HostCallScope::Operation operation, BSTR key,
                                     BSTR *value, std::int32_t *error)
{
    HostCallScope call(*m_state, operation, [&] { return quoted(key); });
    if (!call.begin(error, value))
        return call.status();
    const QString *found = entries.value(viewOf(key));
    *value = newBStr(found ? QStringView(*found) : QStringView());
    call.blank(value);
    if (!found)
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetDeviceEntry(BSTR key, BSTR *value, std::int32_t *error)
{
    return entry(m_state->deviceEntries, u"GetDeviceEntry", key, value, error);
}

HRESULT HostDeviceDescription::GetSettingEntry(BSTR key, BSTR *value, std::int32_t *error)
{
    return entry(m_state->settingEntries, u"GetSettingEntry", key, value, error);
}

HRESULT HostDeviceDescription::GetSectionCount(BSTR section, std::int32_t *count, std::int32_t *error)
{
    HostCallScope call(*m_state, u"GetSectionCount", [&] { return quoted(section); });
    if (!call.begin(error, count))
        return call.status();
    if (!sameName(viewOf(section), objectSectionName()))
        return call.finish(S_OK, *error = 1);
    *count = qsizetype(m_state->objectSection.size());
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetFirstEntry(BSTR section, std::int32_t *position, std::int32_t *error)
{
    HostCallScope call(*m_state, u"GetFirstEntry", [&] { return quoted(section); });
    if (!call.begin(error, position))
        return call.status();
    if (!sameName(viewOf(section), objectSectionName()) || m_state->objectSection.empty())
        return call.finish(S_OK, *error = 1);
    *position = 1;
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetNextEntry(std::int32_t *position, std::int32_t *error)
{
    HostCallScope call(*m_state, u"GetNextEntry",
                       [&] { return position ? QStringLiteral("position=%1").arg(*position) : QString(); });
    // The position is read as well as written.
    if (!position)
        return call.finish(E_POINTER);
    if (!call.begin(error))
        return call.status();
    ++*position;
    if (*position < 1 || *position > qsizetype(m_state->objectSection.size()))
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::FindDefinition(BSTR section, BSTR name, std::int32_t *definition,
                                              std::int32_t *error)
{
    HostCallScope call(*m_state, u"FindDefinition",
                       [&] { return QStringLiteral("%1, %2").arg(quoted(section), quoted(name)); });
    if (!call.begin(error, definition))
        return call.status();
    const QStringView sectionName = viewOf(section);
    const QStringView entryName = viewOf(name);
    // Callers nearly always name the section in upper case: settled without
    // folding.
    if (isUpperObjectSection(sectionName) || sameName(sectionName, u"object")) {
        const HostState::Item *item = m_state->findItem(entryName);
        if (item && item->isListed())
            *definition = item->listedPosition + 1;
        else if (item && item->isDefined())
            *definition = definitionHandle(DefinitionKind::UnlistedObject, item->definitionNumber);
    } else if (sameName(sectionName, u"enumeration")) {
        if (const int index = m_state->enumerationIndex(entryName); index >= 0)
            *definition = definitionHandle(DefinitionKind::Enumeration, index);
    }
    if (*definition == 0)
        return call.finish(S_OK, *error = 1);
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetEntryName(std::int32_t position, BSTR *name, std::int32_t *error)
{
    HostCallScope call(*m_state, u"GetEntryName",
                       [&] { return QStringLiteral("position=%1").arg(position); });
    if (!call.begin(error, name))
        return call.status();
    if (position < 1 || position > qsizetype(m_state->objectSection.size())) {
        *name = newBStr(QString());
        return call.finish(S_OK, *error = 1);
    }
    *name = newBStr(m_state->objectSection[std::size_t(position - 1)].name);
    call.blank(name);
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetObjectDefinition(std::int32_t definition, BSTR *typeName,
                                                   std::int32_t *size, std::int32_t *flags,
                                                   std::int32_t *kind, BSTR *enumerationName,
                                                   std::int32_t *error)
{
    HostCallScope call(*m_state, u"GetObjectDefinition",
                       [&] { return QStringLiteral("definition=%1").arg(definition); });
    if (!call.begin(error, typeName, size, flags, kind, enumerationName))
        return call.status();

    const ObjectDefinition *found = nullptr;
    std::optional<ObjectDefinition> undefined;
    const auto &section = m_state->objectSection;
    const auto &defined = m_state->definedObjects;
    if (definition >= 1 && std::size_t(definition) <= section.size()) {
        const HostState::Listing &listing = section[std::size_t(definition - 1)];
        if (listing.item->isDefined()) {
            found = &listing.item->definition;
        } else {
            undefined.emplace().typeName = listing.name;
            found = &*undefined;
        }
    } else if (const qsizetype index = definitionIndex(DefinitionKind::UnlistedObject, definition);
               index >= 0 && std::size_t(index) < defined.size()) {
        found = &defined[std::size_t(index)]->definition;
    }
    if (!found) {
        *typeName = newBStr(QString());
        *enumerationName = newBStr(QString());
        return call.finish(S_OK, *error = 1);
    }
    *typeName = newBStr(found->typeName);
    *size = found->size;
    *flags = found->flags;
    *kind = found->kind;
    // No name is the empty BSTR, null, which saves an allocation on every
    // object that is no enumeration.
    *enumerationName = found->enumerationName.isEmpty() ? nullptr : newBStr(found->enumerationName);
    call.blank(typeName);
    call.blank(enumerationName);
    return call.finish(S_OK);
}

HRESULT HostDeviceDescription::GetEnumerationEntries(std::int32_t definition, BSTR *name,
                                                     EnumEntryArray **entries, std::int32_t *error)
{
    HostCallScope call(*m_state, u"GetEnumerationEntries", [&] {
        return QStringLiteral("definition=%1, %2").arg(definition).arg(name ? quoted(*name) : QString());
    });
    // The name is read as well as written.
    if (!name)
        return call.finish(E_POINTER);
    if (!call.begin(error, entries))
        return call.status();
    if (call.answersNull())
        return call.finish(S_OK);
    const qsizetype index = definitionIndex(DefinitionKind::Enumeration, definition);
    if (index < 0 || index >= m_state->enumerations.size())
        return call.finish(S_OK, *error = 1);

    const auto &[enumerationName, enumeration] = m_state->enumerations.at(index);
    EnumEntryArray *array = EnumEntryArrayCreate(enumeration.lowerBound, enumeration.entries.size());
    if (!array)
        return call.finish(E_OUTOFMEMORY);
    for (qsizetype i = 0; i < enumeration.entries.size(); ++i) {
        array->entries[i].value = enumeration.entries.at(i).first;
        array->entries[i].text = newBStr(enumeration.entries.at(i).second);
        call.blank(&array->entries[i].text);
    }
    // An in/out text: the callee replaces what it was given.
    SysFreeString(*name);
    *name = newBStr(enumerationName);
    *entries = array;
    return call.finish(S_OK);
}
