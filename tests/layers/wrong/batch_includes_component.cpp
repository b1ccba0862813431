// SPDX-License-Identifier: Apache-2.0
// Compiled as the batch: the session it builds on is found, the component's
// own class is not (the batch reaches it only through its hosting).
#include "component/clsQuiravel.h"
#include "tools/session/HostSession.h"
