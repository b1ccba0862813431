// SPDX-License-Identifier: Apache-2.0
#include "Module.h"

#include "platform/ComObject.h"
#include "viewer/frmQuiravel.h"

#include <atomic>

namespace {
std::atomic<int> serverLocks{0};
} // namespace

namespace Module {

void lockServer(bool lock) noexcept
{
    lock ? ++serverLocks : --serverLocks;
}

bool canUnload() noexcept
{
    // A window awaiting its deferred deletion still runs the library's code
    // when the event loop deletes it.
    return ComModule::objectCount() == 0 && serverLocks == 0 && frmQuiravel::liveCount() == 0;
}

} // namespace Module
