// SPDX-License-Identifier: Apache-2.0
// The component's texts by id in the user's language.
#pragma once

#include "platform/StringResources.h"

#include <QString>
#include <cstdint>

/// The component's own resource module (its string table).
HMODULE quiravelResourceModule();

/// The text for `id` in the user's language: that language, then 1033, then
/// neutral, then the module's own lookup (which throws ComError for an id
/// the table lacks).
QString GetLocalString(std::int16_t id);

/// One lookup in exactly one language; false when the block is absent.
bool FindLocalString(HMODULE module, std::uint16_t id, LANGID language, QString *text);
