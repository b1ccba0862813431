// SPDX-License-Identifier: Apache-2.0
// The library's server locks and, with the objects' own count, DllCanUnloadNow.
#pragma once

namespace Module {
void lockServer(bool lock) noexcept;
/// True when no object of the library is alive and no lock is held.
bool canUnload() noexcept;
} // namespace Module
