// SPDX-License-Identifier: Apache-2.0
// The resources' diagnostics: a text missing in the user's language, or missing altogether.
// Off unless enabled, as every "quiravel.*" category (QT_LOGGING_RULES="quiravel.resources=true").
#pragma once

#include "platform/PlatformLogging.h"

Q_DECLARE_LOGGING_CATEGORY(lcResources)
