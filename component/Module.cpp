#include "Module.h"

#include "platform/ComObject.h"

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
    return ComModule::objectCount() == 0 && serverLocks == 0;
}

} // namespace Module
