// SPDX-License-Identifier: Apache-2.0
// A device of the reference host read from an IO-Link IODD: the same
// in-memory device a ".kqd" description gives, with objects, enumerations,
// device entries and display texts mapped from the IODD, the IODD's
// defaults as the application data set, a master's values as the device's,
// and print templates generated from the IODD's menus. docs/iodd.md tells
// how each part maps.
#pragma once

#include <QString>

class DeviceModel;
struct DeviceFileError;

namespace Iodd {

struct LoadOptions
{
    /// The product id of the variant to show; empty = the values' own, else
    /// the first in the file.
    QString variant;
    /// Where generated templates go; empty = templateDirectory().
    QString templateDirectory;
    /// "de" or "en"; empty = the user's language.
    QString language;
};

/// The options loadDevice() uses for IODDs; a tool sets them from its
/// command line once, before it loads a device.
LoadOptions &toolOptions();

/// Whether `path` names an IODD rather than a ".kqd" description (its name
/// ends in ".xml", the case aside).
bool isIoddPath(const QString &path);

/// The folder generated templates go to when no other is given:
/// $QUIRAVEL_IODD_TEMPLATES, else "quiravel/iodd-templates" in the user's
/// cache folder. Each IODD gets a folder of its own below it.
QString templateDirectory();

/// Reads the IODD and, unless `valuesPath` is empty, the device's values
/// (".data" as a device data file, ".json" as the answers of a master's JSON
/// interface, anything else as a Data Storage backup) into `model`. The
/// model is changed only when both could be read; otherwise `*error` says
/// which file and why. `*variantNote` says which variant is shown and why.
bool loadIodd(const QString &ioddPath, const QString &valuesPath, DeviceModel &model,
              const LoadOptions &options, DeviceFileError *error, QString *variantNote = nullptr);

/// `text` for a page: "&", "<", ">" and '"' as references.
QString escapeHtml(QStringView text);
/// escapeHtml(), sharing `text` where it holds none of the four.
QString escapeHtml(const QString &text);

} // namespace Iodd
