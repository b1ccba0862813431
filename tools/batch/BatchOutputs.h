// SPDX-License-Identifier: Apache-2.0
// The batch's own outputs, checked before any device runs: a run that
// cannot write its summary or PDFs says so at once, not after an hour.
#pragma once

#include "tools/batch/BatchOptions.h"
#include "tools/batch/DeviceList.h"

#include <QList>
#include <QString>

/// Remembers every input the devices name (descriptions, list files) as
/// the run's own, so that no output takes their place, and answers why the
/// summary file or the PDF folder cannot be written as "--OPTION PATH:
/// reason"; empty when both can. Nothing is created.
QString checkBatchOutputs(const BatchOptions &options, const QList<BatchDevice> &devices);
