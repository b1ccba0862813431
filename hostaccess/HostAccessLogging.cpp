// SPDX-License-Identifier: Apache-2.0
#include "HostAccessLogging.h"

// Only critical messages pass by default, and none is ever sent.
Q_LOGGING_CATEGORY(lcHostAccess, "quiravel.hostaccess", QtCriticalMsg)
