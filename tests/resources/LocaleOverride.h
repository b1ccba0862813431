// Sets LC_ALL for the lifetime of the object and restores the previous value.
#pragma once

#include <QByteArray>
#include <QtGlobal>

class LocaleOverride
{
public:
    explicit LocaleOverride(const char *locale)
        : m_hadValue(qEnvironmentVariableIsSet("LC_ALL")), m_previous(qgetenv("LC_ALL"))
    {
        qputenv("LC_ALL", locale);
    }
    LocaleOverride(const LocaleOverride &) = delete;
    LocaleOverride &operator=(const LocaleOverride &) = delete;
    ~LocaleOverride()
    {
        if (m_hadValue)
            qputenv("LC_ALL", m_previous);
        else
            qunsetenv("LC_ALL");
    }

private:
    bool m_hadValue;
    QByteArray m_previous;
};
