#include "Module.h"

#include "printfile/clsEnum.h"

#include <atomic>

namespace {
std::atomic<int> liveObjects{0};
std::atomic<int> serverLocks{0};
} // namespace

namespace Module {

void objectCreated() noexcept
{
    ++liveObjects;
}

void objectDestroyed() noexcept
{
    --liveObjects;
}

void lockServer(bool lock) noexcept
{
    lock ? ++serverLocks : --serverLocks;
}

bool canUnload() noexcept
{
    return liveObjects == 0 && serverLocks == 0 && clsEnum::liveCount() == 0;
}

} // namespace Module
