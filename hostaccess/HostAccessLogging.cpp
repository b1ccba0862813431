// SPDX-License-Identifier: Apache-2.0
#include "hostaccess/HostAccessLogging.h"

// Off by default: only critical messages would pass, and none is sent.
Q_LOGGING_CATEGORY(lcHostAccess, "quiravel.hostaccess", QtCriticalMsg)
