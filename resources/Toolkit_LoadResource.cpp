// SPDX-License-Identifier: Apache-2.0
#include "Toolkit_LoadResource.h"

#include "platform/Locale.h"
#include "platform/StringBlock.h"
#include "resources/ResourcesLogging.h"

namespace {

constexpr LANGID kEnglishUs = 1033;
constexpr LANGID kNeutral = 0;

} // namespace

bool FindLocalString(HMODULE module, std::uint16_t id, LANGID language, QString *text)
{
    HRSRC block = FindResourceExA(module, MAKEINTRESOURCEA(RT_STRING),
                                  MAKEINTRESOURCEA(StringBlock::blockOf(id)), language);
    return block && ReadBlockString(module, block, id, text);
}

QString GetLocalString(std::int16_t id)
{
    HMODULE module = quiravelResourceModule();
    const auto key = static_cast<std::uint16_t>(id);
    QString text;
    // Texts are looked up anew on every call so that a change of the user's
    // language shows at the next use.
    const LANGID userLanguage = GetUserDefaultLangID();
    for (const LANGID language : {userLanguage, kEnglishUs, kNeutral}) {
        if (FindLocalString(module, key, language, &text)) {
            if (language != userLanguage)
                qCDebug(lcResources, "Text %u has none in language %u: taken from language %u", unsigned(key),
                        unsigned(userLanguage), unsigned(language));
            return text;
        }
    }
    qCDebug(lcResources, "Text %u has none in language %u nor in the fallbacks: any language's",
            unsigned(key), unsigned(userLanguage));
    return LoadResString(module, key);
}
