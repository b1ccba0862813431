// SPDX-License-Identifier: Apache-2.0
#include "component/ComponentLogging.h"

// Off by default: only critical messages would pass, and none is sent.
Q_LOGGING_CATEGORY(lcComponent, "quiravel.component", QtCriticalMsg)
