// SPDX-License-Identifier: Apache-2.0
// The component's diagnostics: registry values missing, host calls whose failure no one hears.
// Off unless enabled, as every "quiravel.*" category (QT_LOGGING_RULES="quiravel.component=true").
#pragma once

#include "platform/PlatformLogging.h"

Q_DECLARE_LOGGING_CATEGORY(lcComponent)
