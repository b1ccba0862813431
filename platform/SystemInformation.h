// SPDX-License-Identifier: Apache-2.0
// The component's system information queries: the NT-family test and the
// computer's registered owner and organisation, read anew on every call.
#pragma once

#include <QString>

namespace SystemInformation {
bool IsSystemNT();
/// Empty when the value is not found.
QString GetRegisteredOwner();
/// Empty when the value is not found.
QString GetRegisteredOrganization();
} // namespace SystemInformation
