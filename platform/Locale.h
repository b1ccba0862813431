// SPDX-License-Identifier: Apache-2.0
// User locale stand-in: the Windows locale and language identifiers derived
// from LC_ALL, LC_MESSAGES and LANG (the first one set and not empty wins),
// and the locale's date and number conventions (numbers from LC_ALL,
// LC_NUMERIC and LANG).
//
// Mapping (language_TERRITORY, codeset and modifier ignored): de_DE 1031,
// de_AT 3079, de_CH 2055, en_US 1033, en_GB 2057, fr_FR 1036, it_IT 1040,
// es_ES 3082, nl_NL 1043, ...; C, POSIX, unset and unknown give 1033.
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>

using LCID = std::uint32_t;
using LANGID = std::uint16_t;

LCID GetUserDefaultLCID();
LANGID GetUserDefaultLangID();

namespace UserLocale {
/// The QLocale matching the user's locale identifier (English for C/POSIX).
QLocale locale();
/// The short month name (1 to 12) of the user's locale, e.g. "Dec", "Dez".
QString shortMonthName(int month);
/// The locale's time separator (":" for German and English).
QString timeSeparator();
/// The decimal separator of the user's number locale: LC_ALL, then
/// LC_NUMERIC, then LANG (the first one set and not empty wins).
QString decimalSeparator();
} // namespace UserLocale
