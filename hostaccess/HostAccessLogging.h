// SPDX-License-Identifier: Apache-2.0
// The host-call helpers' diagnostics: a host's failure status that no caller hears.
// Off unless enabled, as every "quiravel.*" category (QT_LOGGING_RULES="quiravel.hostaccess=true").
#pragma once

#include "platform/PlatformLogging.h"

Q_DECLARE_LOGGING_CATEGORY(lcHostAccess)
