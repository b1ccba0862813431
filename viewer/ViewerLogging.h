// SPDX-License-Identifier: Apache-2.0
// The viewer's diagnostics: commands ended by a failure status, files refused, the browser engine's failures.
// Off unless enabled, as every "quiravel.*" category (QT_LOGGING_RULES="quiravel.viewer=true").
#pragma once

#include "platform/PlatformLogging.h"

Q_DECLARE_LOGGING_CATEGORY(lcViewer)
