// SPDX-License-Identifier: Apache-2.0
#include "printfile/PrintFileLogging.h"

// Off by default: only critical messages would pass, and none is sent.
Q_LOGGING_CATEGORY(lcPrintFile, "quiravel.printfile", QtCriticalMsg)
