// SPDX-License-Identifier: Apache-2.0
// Compiled as the session: the host's device model is found, the batch
// built on the session is not.
#include "host/DeviceModel.h"
#include "tools/batch/BatchRun.h"
