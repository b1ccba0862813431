// SPDX-License-Identifier: Apache-2.0
// Texts the window writes into its status bar.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

/// The status text for a download progress of `progress` out of
/// `progressMax`: the percentage as a general number (up to 15 significant
/// digits, `decimalSeparator` as decimal point) followed by " %". An empty
/// text when the progress is -1 or the maximum 0; no value (the status text
/// stays) when progress x 100 leaves the 32-bit range.
std::optional<QString> progressStatusText(std::int32_t progress, std::int32_t progressMax,
                                          const QString &decimalSeparator);

/// A double in the general number format: at most 15 significant digits,
/// no trailing zeros, no thousands separators, exponent form only for very
/// small or large magnitudes.
QString generalNumber(double value, const QString &decimalSeparator);
