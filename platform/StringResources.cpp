// SPDX-License-Identifier: Apache-2.0
#include "StringResources.h"

#include "ComError.h"
#include "Locale.h"
#include "StringBlock.h"

#include <cstring>
#include <memory>
#include <unordered_map>

struct LoadedResource
{
    const ResourceEntry *entry;
};

namespace {

constexpr LANGID kEnglishUs = 1033;

// Loads that are not freed yet, owned here so that a handle freed twice (or
// never issued) is recognised instead of being dereferenced.
std::unordered_map<const LoadedResource *, std::unique_ptr<LoadedResource>> &liveLoads()
{
    static std::unordered_map<const LoadedResource *, std::unique_ptr<LoadedResource>> loads;
    return loads;
}

// Integer resource ids travel in the low 16 bits of a name pointer; a module
// here holds no resources under string names.
bool intResource(const char *name, std::uint16_t *id)
{
    const auto value = reinterpret_cast<std::uintptr_t>(name);
    *id = static_cast<std::uint16_t>(value);
    return value >> 16 == 0;
}

HRSRC findExact(HMODULE module, std::uint16_t type, std::uint16_t name, LANGID language)
{
    for (std::size_t i = 0; i < module->count; ++i) {
        const ResourceEntry &entry = module->entries[i];
        if (entry.type == type && entry.name == name && entry.language == language)
            return &entry;
    }
    return nullptr;
}

HRSRC findAnyLanguage(HMODULE module, std::uint16_t type, std::uint16_t name)
{
    for (std::size_t i = 0; i < module->count; ++i) {
        const ResourceEntry &entry = module->entries[i];
        if (entry.type == type && entry.name == name)
            return &entry;
    }
    return nullptr;
}

bool belongsTo(HMODULE module, HRSRC resource)
{
    return module && resource && resource >= module->entries && resource < module->entries + module->count;
}

[[noreturn]] void throwNotFound(std::uint16_t id)
{
    throw ComError(E_INVALIDARG, QStringLiteral("Resource with identifier '%1' not found").arg(id));
}

} // namespace

HRSRC FindResourceExA(HMODULE module, const char *type, const char *name, LANGID language)
{
    std::uint16_t typeId = 0;
    std::uint16_t nameId = 0;
    if (!module || !intResource(type, &typeId) || !intResource(name, &nameId))
        return nullptr;
    if (language != 0)
        return findExact(module, typeId, nameId, language);
    for (const LANGID candidate : {LANGID(0), GetUserDefaultLangID(), kEnglishUs}) {
        if (HRSRC found = findExact(module, typeId, nameId, candidate))
            return found;
    }
    return findAnyLanguage(module, typeId, nameId);
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource)
{
    if (!belongsTo(module, resource))
        return nullptr;
    auto loaded = std::make_unique<LoadedResource>(LoadedResource{resource});
    const LoadedResource *handle = loaded.get();
    liveLoads().emplace(handle, std::move(loaded));
    return handle;
}

const void *LockResource(HGLOBAL loaded)
{
    const auto found = liveLoads().find(loaded);
    return found == liveLoads().end() ? nullptr : found->second->entry->data;
}

std::uint32_t SizeofResource(HMODULE module, HRSRC resource)
{
    return belongsTo(module, resource) ? resource->size : 0;
}

std::int32_t FreeResource(HGLOBAL loaded)
{
    return liveLoads().erase(loaded) ? 1 : 0;
}

int loadedResourceCount()
{
    return static_cast<int>(liveLoads().size());
}

bool ReadBlockString(HMODULE module, HRSRC block, std::uint16_t id, QString *text)
{
    // Every load is freed, whichever way the read ends.
    struct Loaded
    {
        HGLOBAL handle;
        ~Loaded() { FreeResource(handle); }
    } const loaded{LoadResource(module, block)};
    const void *data = LockResource(loaded.handle);
    return data &&
           StringBlock::readEntry(data, SizeofResource(module, block), StringBlock::positionOf(id), text);
}

QString LoadResString(HMODULE module, std::uint16_t id)
{
    if (!module)
        throwNotFound(id);
    const std::uint16_t block = StringBlock::blockOf(id);
    HRSRC resource = nullptr;
    for (const LANGID candidate : {GetUserDefaultLangID(), LANGID(0), kEnglishUs}) {
        if ((resource = findExact(module, RT_STRING, block, candidate)))
            break;
    }
    if (!resource)
        resource = findAnyLanguage(module, RT_STRING, block);
    if (!resource)
        throwNotFound(id);

    QString text;
    if (!ReadBlockString(module, resource, id, &text))
        throwNotFound(id);
    return text;
}
