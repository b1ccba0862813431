// SPDX-License-Identifier: Apache-2.0
#include "Version.h"

QString versionResourceValue(const QString &key)
{
    const VersionResource &version = quiravelVersionResource();
    for (std::size_t i = 0; i < version.count; ++i) {
        if (key == QString::fromUtf16(version.strings[i].key))
            return QString::fromUtf16(version.strings[i].value);
    }
    return {};
}
