// SPDX-License-Identifier: Apache-2.0
#include "tools/app/Watchdog.h"

#include "tools/common/ToolOutput.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

Watchdog::Watchdog(int seconds, int code, const QString &reason) : m_reason(reason.toLocal8Bit())
{
    m_thread = std::thread([this, seconds, code] {
        std::unique_lock lock(m_mutex);
        if (m_cancelled.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_done; }))
            return;
        std::fprintf(ToolOutput::errorStream(), "quiravel-frame: %s while %s\n", m_reason.constData(),
                     m_activity.constData());
        std::fflush(ToolOutput::errorStream());
        // Whatever the blocked thread holds stays held; nothing may run on.
        std::_Exit(code);
    });
}

Watchdog::~Watchdog()
{
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_cancelled.notify_all();
    m_thread.join();
}

void Watchdog::setActivity(const QString &activity)
{
    QByteArray text = activity.toLocal8Bit();
    std::lock_guard lock(m_mutex);
    m_activity.swap(text);
}
