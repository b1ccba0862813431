// SPDX-License-Identifier: Apache-2.0
// Runs a tool on a pseudo-terminal of its own, as a user's shell would: the
// tool sees a terminal on standard input and output, Ctrl-C typed on it
// becomes SIGINT, and a change of the window's size becomes SIGWINCH.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class PtyProcess
{
public:
    PtyProcess() = default;
    PtyProcess(const PtyProcess &) = delete;
    PtyProcess &operator=(const PtyProcess &) = delete;
    ~PtyProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_master >= 0)
            ::close(m_master);
    }

    /// Starts `program` on a terminal `columns` wide, with `changes` to the
    /// environment (an empty value removes the variable).
    bool start(const QString &program, const QStringList &arguments, int columns,
               const QList<QPair<QByteArray, QByteArray>> &changes)
    {
        winsize size = {};
        size.ws_row = 24;
        size.ws_col = static_cast<unsigned short>(columns);
        std::vector<QByteArray> argv{program.toLocal8Bit()};
        for (const QString &argument : arguments)
            argv.push_back(argument.toLocal8Bit());
        m_pid = ::forkpty(&m_master, nullptr, nullptr, &size);
        if (m_pid < 0)
            return false;
        if (m_pid == 0) {
            for (const auto &[name, value] : changes) {
                if (value.isEmpty())
                    ::unsetenv(name.constData());
                else
                    ::setenv(name.constData(), value.constData(), 1);
            }
            std::vector<char *> pointers;
            for (QByteArray &argument : argv)
                pointers.push_back(argument.data());
            pointers.push_back(nullptr);
            ::execv(pointers[0], pointers.data());
            ::_exit(127);
        }
        return true;
    }

    /// Reads what the tool wrote until `text` appears (true) or `ms` pass.
    bool readUntil(const QByteArray &text, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (!m_output.contains(text)) {
            const qint64 left = ms - clock.elapsed();
            if (left <= 0 || !readSome(int(left)))
                return m_output.contains(text);
        }
        return true;
    }

    /// Types `bytes` on the terminal (Ctrl-C is "\x03").
    void type(const QByteArray &bytes)
    {
        [[maybe_unused]] const auto n = ::write(m_master, bytes.data(), bytes.size());
    }

    /// Changes the window's width; the kernel tells the tool by SIGWINCH.
    void resize(int columns)
    {
        winsize size = {};
        size.ws_row = 24;
        size.ws_col = static_cast<unsigned short>(columns);
        ::ioctl(m_master, TIOCSWINSZ, &size);
    }

    /// Reads to the end and answers the exit status; -1 when the tool did
    /// not end within `ms` (it is then killed) or ended by a signal.
    int finish(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        int status = 0;
        pid_t done = 0;
        while ((done = ::waitpid(m_pid, &status, WNOHANG)) == 0 && clock.elapsed() < ms)
            readSome(100);
        if (done != m_pid) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
            return -1;
        }
        m_pid = -1;
        // What is still buffered on the terminal.
        while (readSome(200)) {
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    /// Everything the tool wrote to the terminal so far (output and errors,
    /// with the terminal's CR LF line ends).
    const QByteArray &output() const { return m_output; }

private:
    /// False at the end of the output (the tool and everything it started
    /// closed the terminal) or when nothing came within `ms`.
    bool readSome(int ms)
    {
        pollfd fd = {m_master, POLLIN, 0};
        if (::poll(&fd, 1, ms) <= 0)
            return false;
        char buffer[4096];
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count <= 0)
            return false;
        m_output.append(buffer, count);
        return true;
    }

    pid_t m_pid = -1;
    int m_master = -1;
    QByteArray m_output;
};
