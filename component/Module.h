// The library's count of live objects and server locks, behind DllCanUnloadNow.
#pragma once

namespace Module {
void objectCreated() noexcept;
void objectDestroyed() noexcept;
void lockServer(bool lock) noexcept;
/// True when no object of the library is alive and no lock is held.
bool canUnload() noexcept;
} // namespace Module
