// SPDX-License-Identifier: Apache-2.0
#include "Language.h"

#include "platform/Locale.h"

QString GetLanguageCode()
{
    constexpr LCID germanGermany = 0x0407;
    return (GetUserDefaultLCID() & 0xFFFF) == germanGermany ? QStringLiteral("049") : QStringLiteral("001");
}
