// A device in the in-memory host and the tag context that reads it, shared
// by the print-file tests.
#pragma once

#include "frame/DeviceModel.h"
#include "printfile/TagContext.h"
#include "printfile/clsEnum.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <gtest/gtest.h>
#include <ostream>

/// Readable QStrings in failure messages.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

/// Sets LC_ALL for the lifetime of the object and restores the previous value.
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

inline void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/// The fixed clock of the tests: the fourth of December 2026, 09:05:07.
inline QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 12, 4), QTime(9, 5, 7));
}

class HostDevice
{
public:
    HostDevice()
    {
        // The enumeration "Mode": repeated values, a negative one, and index
        // bounds that do not start at 0.
        model.defineObject(QStringLiteral("ModeType"),
                           {QStringLiteral("ModeType"), 1, 0, 4, QStringLiteral("ModeEnum")});
        EnumerationDefinition modes;
        modes.entries = {{1, QStringLiteral("One")},
                         {2, QStringLiteral("Two")},
                         {2, QStringLiteral("Second two")},
                         {4, QStringLiteral(" Four <&> ")},
                         {-1, QStringLiteral("Minus one")}};
        modes.lowerBound = 5;
        model.defineEnumeration(QStringLiteral("ModeEnum"), modes);
    }

    /// An object of the "Object" section whose value is an enumeration number.
    void addEnumObject(const QString &name, const QString &value)
    {
        model.addObject(name, {QStringLiteral("ModeType"), 1, 0, 4, QString()});
        model.setApplicationValue(name, value);
    }

    TagContext context()
    {
        TagContext c;
        c.itemManager = itemManager.get();
        c.viewHandle = 7;
        c.registeredOwner = [this] { return owner; };
        c.registeredOrganization = [this] { return organisation; };
        c.now = fixedNow;
        return c;
    }

    /// Every item opened was closed again, every host object and clsEnum
    /// released (only the item manager held here is left).
    void expectEverythingReleased() const
    {
        int opened = 0;
        int closed = 0;
        for (const HostCall &call : model.calls()) {
            if (call.operation == QLatin1StringView("OpenItem") && call.status == S_OK && call.error == 0)
                ++opened;
            if (call.operation == QLatin1StringView("CloseItem") && call.status == S_OK && call.error == 0)
                ++closed;
        }
        EXPECT_EQ(opened, closed);
        EXPECT_EQ(model.liveObjects(), 1);
        EXPECT_EQ(clsEnum::liveCount(), 0);
    }

    int callCount(QLatin1StringView operation) const
    {
        int n = 0;
        for (const HostCall &call : model.calls())
            n += call.operation == operation;
        return n;
    }

    DeviceModel model;
    ComPtr<AppItemManager> itemManager = model.itemManager();
    QString owner = QStringLiteral("Jane Doe");
    QString organisation = QStringLiteral("Field & Sons");
};
