// SPDX-License-Identifier: Apache-2.0
#include "tools/common/ToolSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP};

int g_pipe[2] = {-1, -1};
std::atomic<int> g_received{0};

void onSignal(int signal)
{
    const int savedErrno = errno;
    if (signal != SIGWINCH) {
        int expected = 0;
        if (!g_received.compare_exchange_strong(expected, signal)) {
            // The user asks again: the orderly end is taking too long.
            std::signal(signal, SIG_DFL);
            ::raise(signal);
        }
    }
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe already holds a wake-up; nothing is lost by dropping this
    // one. Without a pipe the signal is only recorded.
    if (g_pipe[1] >= 0) {
        [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    }
    errno = savedErrno;
}

void install(int signal, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Reads and writes in progress go on: the event loop decides when to stop.
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

} // namespace

ToolSignals::ToolSignals(QObject *parent) : QObject(parent)
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_received = 0;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ToolSignals::readPipe);
    for (const int signal : kEndingSignals)
        install(signal, &onSignal);
    install(SIGWINCH, &onSignal);
}

ToolSignals::~ToolSignals()
{
    if (!m_notifier)
        return;
    for (const int signal : kEndingSignals)
        install(signal, SIG_DFL);
    install(SIGWINCH, SIG_DFL);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void ToolSignals::recordEndingSignals()
{
    g_received = 0;
    for (const int signal : kEndingSignals)
        install(signal, &onSignal);
}

int ToolSignals::received()
{
    return g_received.load();
}

void ToolSignals::readPipe()
{
    unsigned char bytes[64];
    ssize_t count = 0;
    bool ended = false;
    bool resized = false;
    while ((count = ::read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            if (bytes[i] == SIGWINCH)
                resized = true;
            else
                ended = true;
        }
    }
    if (resized)
        Q_EMIT windowResized();
    if (ended)
        Q_EMIT endRequested(g_received.load());
}
