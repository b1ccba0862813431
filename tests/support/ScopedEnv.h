// SPDX-License-Identifier: Apache-2.0
// Sets (or clears) environment variables for one test and restores them.
#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <optional>

class ScopedEnv
{
public:
    ScopedEnv() = default;
    /// Sets one variable, as set() does.
    ScopedEnv(const char *name, const QByteArray &value) { set(name, value); }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;
    ~ScopedEnv()
    {
        for (auto it = m_saved.crbegin(); it != m_saved.crend(); ++it) {
            if (it->second)
                qputenv(it->first.constData(), *it->second);
            else
                qunsetenv(it->first.constData());
        }
    }

    /// An empty value removes the variable.
    void set(const char *name, const QByteArray &value)
    {
        m_saved.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        if (value.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

private:
    QList<std::pair<QByteArray, std::optional<QByteArray>>> m_saved;
};
