// Ends the process when a run that should end on its own has not, even when
// the user-interface thread is blocked.
#pragma once

#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

class Watchdog
{
public:
    /// Writes "quiravel-frame: `reason`" and exits with `code` unless
    /// destroyed within `seconds`.
    Watchdog(int seconds, int code, const QString &reason);
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_cancelled;
    bool m_done = false;
    std::thread m_thread;
};
