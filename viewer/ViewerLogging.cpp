// SPDX-License-Identifier: Apache-2.0
#include "viewer/ViewerLogging.h"

// Off by default: only critical messages would pass, and none is sent.
Q_LOGGING_CATEGORY(lcViewer, "quiravel.viewer", QtCriticalMsg)
