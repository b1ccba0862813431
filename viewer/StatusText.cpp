// SPDX-License-Identifier: Apache-2.0
#include "StatusText.h"

#include <limits>

QString generalNumber(double value, const QString &decimalSeparator)
{
    // A negative zero would otherwise print as "-0".
    if (value == 0.0)
        value = 0.0;
    QString text = QString::number(value, 'G', 15);
    text.replace(QLatin1Char('.'), decimalSeparator);
    return text;
}

std::optional<QString> progressStatusText(std::int32_t progress, std::int32_t progressMax,
                                          const QString &decimalSeparator)
{
    if (progress == -1 || progressMax == 0)
        return QString();
    const std::int64_t scaled = std::int64_t(progress) * 100;
    if (scaled > std::numeric_limits<std::int32_t>::max() ||
        scaled < std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    return generalNumber(double(scaled) / double(progressMax), decimalSeparator) + QStringLiteral(" %");
}
