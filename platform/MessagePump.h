// Processing the thread's pending events, as the platform's "do events" does.
#pragma once

namespace MessagePump {
/// Handles every event pending on this thread now, then returns.
void processPendingEvents();
} // namespace MessagePump
