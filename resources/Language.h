// SPDX-License-Identifier: Apache-2.0
// The language code that names a print template's language variant.
#pragma once

#include <QString>

/// "049" when the user's locale is German (Germany), otherwise "001".
QString GetLanguageCode();
