// SPDX-License-Identifier: Apache-2.0
// Compiled as the string resources: the platform is found, the host-call
// helpers (a layer beside, not below) are not.
#include "hostaccess/HostAccess.h"
#include "platform/Registry.h"
