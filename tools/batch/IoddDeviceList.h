// SPDX-License-Identifier: Apache-2.0
// The devices of a plant documented from their masters' values: each value
// file with the IODD that a folder of IODDs holds for its vendor and device.
#pragma once

#include "tools/batch/DeviceList.h"

/// A device for each value file, in the order given, its description the
/// newest IODD in `library` for the ids the file names. A file whose ids
/// name no IODD there, or that names none, becomes an entry with an error.
QList<BatchDevice> collectIoddDevices(const QStringList &valueFiles, const QString &library,
                                      const QString &pdfDirectory);
