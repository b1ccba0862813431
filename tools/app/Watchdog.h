// SPDX-License-Identifier: Apache-2.0
// Ends the process when a run that should end on its own has not, even when
// the user-interface thread is blocked.
#pragma once

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <mutex>
#include <thread>

class Watchdog
{
public:
    /// Writes "quiravel-frame: `reason` while ACTIVITY" and exits with
    /// `code` unless destroyed within `seconds`.
    Watchdog(int seconds, int code, const QString &reason);
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

    /// What the process is doing now ("loading the device description
    /// ..."); the message names the last one set. Safe from any thread.
    void setActivity(const QString &activity);

private:
    std::mutex m_mutex;
    std::condition_variable m_cancelled;
    bool m_done = false;
    // Kept encoded: the watchdog's thread must not need Qt to print it.
    QByteArray m_reason;
    QByteArray m_activity = QByteArrayLiteral("starting");
    std::thread m_thread;
};
