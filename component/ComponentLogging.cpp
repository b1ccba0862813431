// SPDX-License-Identifier: Apache-2.0
#include "ComponentLogging.h"

// Only critical messages pass by default, and none is ever sent.
Q_LOGGING_CATEGORY(lcComponent, "quiravel.component", QtCriticalMsg)
