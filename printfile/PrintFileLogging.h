// SPDX-License-Identifier: Apache-2.0
// The print file's diagnostics: a template line left as read, a template or print file that failed.
// Off unless enabled, as every "quiravel.*" category (QT_LOGGING_RULES="quiravel.printfile=true").
#pragma once

#include "platform/PlatformLogging.h"

Q_DECLARE_LOGGING_CATEGORY(lcPrintFile)
