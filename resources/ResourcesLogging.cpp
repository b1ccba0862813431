// SPDX-License-Identifier: Apache-2.0
#include "resources/ResourcesLogging.h"

// Off by default: only critical messages would pass, and none is sent.
Q_LOGGING_CATEGORY(lcResources, "quiravel.resources", QtCriticalMsg)
