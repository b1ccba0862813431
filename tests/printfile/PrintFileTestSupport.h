// SPDX-License-Identifier: Apache-2.0
// A device in the in-memory host and the tag context that reads it, shared
// by the print-file tests.
#pragma once

#include "host/DeviceModel.h"
#include "printfile/TagContext.h"
#include "printfile/clsEnum.h"
#include "tests/support/CallLog.h"
#include "tests/support/FileGuards.h"
#include "tests/support/ScopedEnv.h"

#include <QDateTime>
#include <QFile>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline QDateTime fixedNow()
{
    return QDateTime(QDate(2026, 12, 4), QTime(9, 5, 7));
}

class HostDevice
{
public:
    HostDevice()
    {
        model.setCallLogEnabled(true);
        // Repeated values, a negative one, and index bounds that do not start at 0.
        model.defineObject(QStringLiteral("ModeType"),
                           {QStringLiteral("ModeType"), 1, 0, 4, QStringLiteral("ModeEnum")});
        model.defineEnumeration(QStringLiteral("ModeEnum"), {{{1, QStringLiteral("One")},
                                                              {2, QStringLiteral("Two")},
                                                              {2, QStringLiteral("Second two")},
                                                              {4, QStringLiteral(" Four <&> ")},
                                                              {-1, QStringLiteral("Minus one")}},
                                                             5});
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
        EXPECT_TRUE(eachOpenedItemClosedOnce(model));
        EXPECT_EQ(model.liveObjects(), 1);
        EXPECT_EQ(ComModule::objectCount() - model.existingObjects(), otherObjects) << "a clsEnum was kept";
    }

    DeviceModel model;
    ComPtr<AppItemManager> itemManager = model.itemManager();
    QString owner = QStringLiteral("Jane Doe");
    QString organisation = QStringLiteral("Field & Sons");
    /// The objects of the module that are not this model's, when it was made.
    const int otherObjects = ComModule::objectCount() - model.existingObjects();
};
