// SPDX-License-Identifier: Apache-2.0
// Template line filling against the in-memory host, with the host's data and
// answers taken from the input too. The input is text: the first line is the
// template line, every further line sets up the host or the lookup:
//
//   item NAME=VALUE          a value of the application data set
//   shadowitem NAME=VALUE    a value of the shadow data set
//   entry NAME=VALUE         a device entry
//   object NAME=TYPE,KIND,ENUMERATION   an object of the "Object" section
//   define NAME=TYPE,KIND,ENUMERATION   a definition the section does not list
//   enum NAME:NUMBER=TEXT    an entry of an enumeration
//   bound NAME=N             an enumeration's lower index bound
//   fail OPERATION=STATUS    the host answers STATUS (hex) to OPERATION
//   flag OPERATION=N         the host answers error flag N to OPERATION
//   mode N | shadow | german | owner TEXT | ownerfails | names | explain
//
// "names" looks tags up by their name without markers, "explain" asks for
// the resolution as the template check does (the component never asks).
//
// Whatever comes of it: a lookup that fails leaves the line as read, every
// item opened is closed once, every host object and enumeration is released.
// The line filled whole, as the component fills it, comes out as with a
// GetTagValue call per tag, as the template check makes them, after the same
// host calls (each way on a host of its own, set up alike).
#include "host/DeviceModel.h"
#include "platform/ComError.h"
#include "platform/ComObject.h"
#include "printfile/TagSubstitution.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char *what, const QString &line)
{
    std::fprintf(stderr, "%s: \"%s\"\n", what, line.toUtf8().constData());
    std::abort();
}

ObjectDefinition definitionOf(const QString &text)
{
    const QStringList parts = text.split(u',');
    ObjectDefinition definition;
    definition.typeName = parts.value(0);
    definition.kind = parts.value(1).toInt();
    definition.enumerationName = parts.value(2);
    return definition;
}

struct Setup
{
    QString line;
    TagContext context;
    bool german = false;
    bool ownerFails = false;
    bool namesOnly = false;
    bool explain = false;
    QString owner = QStringLiteral("Jane Doe");
};

void apply(DeviceModel &model, QHash<QString, EnumerationDefinition> &enumerations, Setup &setup,
           const QString &command)
{
    const qsizetype blank = command.indexOf(u' ');
    const QString verb = blank < 0 ? command : command.left(blank);
    const QString rest = blank < 0 ? QString() : command.mid(blank + 1);
    const qsizetype equals = rest.indexOf(u'=');
    const QString key = equals < 0 ? rest : rest.left(equals);
    const QString value = equals < 0 ? QString() : rest.mid(equals + 1);

    if (verb == QLatin1String("item")) {
        model.setApplicationValue(key, value);
    } else if (verb == QLatin1String("shadowitem")) {
        model.setShadowValue(key, value);
    } else if (verb == QLatin1String("entry")) {
        model.setDeviceEntry(key, value);
    } else if (verb == QLatin1String("object")) {
        model.addObject(key, definitionOf(value));
    } else if (verb == QLatin1String("define")) {
        model.defineObject(key, definitionOf(value));
    } else if (verb == QLatin1String("enum")) {
        const qsizetype colon = key.indexOf(u':');
        enumerations[key.left(colon)].entries.append({key.mid(colon + 1).toInt(), value});
    } else if (verb == QLatin1String("bound")) {
        enumerations[key].lowerBound = value.toInt();
    } else if (verb == QLatin1String("fail")) {
        model.failOperation(key, HRESULT(value.toUInt(nullptr, 16)));
    } else if (verb == QLatin1String("flag")) {
        model.setErrorFlag(key, value.toInt());
    } else if (verb == QLatin1String("mode")) {
        setup.context.loadMode = static_cast<HostContract::LoadMode>(rest.toInt());
    } else if (verb == QLatin1String("shadow")) {
        setup.context.shadow = true;
    } else if (verb == QLatin1String("german")) {
        setup.german = true;
    } else if (verb == QLatin1String("owner")) {
        setup.owner = rest;
    } else if (verb == QLatin1String("ownerfails")) {
        setup.ownerFails = true;
    } else if (verb == QLatin1String("names")) {
        setup.namesOnly = true;
    } else if (verb == QLatin1String("explain")) {
        setup.explain = true;
    }
}

int succeededCalls(const DeviceModel &model, QLatin1StringView operation)
{
    int n = 0;
    for (const HostCall &call : model.calls())
        n += call.operation == operation && SUCCEEDED(call.status) && call.error == 0;
    return n;
}

int allCalls(const DeviceModel &model, QLatin1StringView operation)
{
    int n = 0;
    for (const HostCall &call : model.calls())
        n += call.operation == operation;
    return n;
}

bool sameCalls(const QList<HostCall> &a, const QList<HostCall> &b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), [](const HostCall &x, const HostCall &y) {
        return x.operation == y.operation && x.arguments == y.arguments && x.error == y.error &&
               x.status == y.status && x.itemHandle == y.itemHandle;
    });
}

/// How a line reaches its values: whole, as the component fills it, or a
/// GetTagValue call per tag, as the template check looks them up.
enum class Path { WholeLine, PerTag };

struct Filled
{
    QString line;
    bool failed = false;
    bool namesOnly = false;
    QList<HostCall> calls;
};

Filled fillOnFreshHost(const QStringList &input, Path path)
{
    DeviceModel model;
    model.setCallLogEnabled(true);
    Setup setup;
    setup.line = input.value(0);
    QHash<QString, EnumerationDefinition> enumerations;
    for (qsizetype i = 1; i < input.size(); ++i)
        apply(model, enumerations, setup, input[i]);
    for (auto it = enumerations.cbegin(); it != enumerations.cend(); ++it)
        model.defineEnumeration(it.key(), it.value());
    setenv("LC_ALL", setup.german ? "de_DE.UTF-8" : "en_US.UTF-8", 1);

    Filled filled;
    filled.line = setup.line;
    filled.namesOnly = setup.namesOnly;
    {
        ComPtr<AppItemManager> itemManager = model.itemManager();
        TagContext &context = setup.context;
        context.itemManager = itemManager.get();
        context.viewHandle = 7;
        context.databaseFileName = QStringLiteral("/data/plant.db");
        context.registeredOwner = [&]() -> QString {
            if (setup.ownerFails)
                throw ComError(E_ACCESSDENIED);
            return setup.owner;
        };
        context.registeredOrganization = [] { return QStringLiteral("Field & Sons"); };
        context.now = [] { return QDateTime(QDate(2026, 12, 4), QTime(9, 5, 7)); };

        try {
            if (path == Path::WholeLine) {
                FillTemplateLine(filled.line, context);
            } else {
                FillTemplateLine(filled.line, [&](const QString &tag) {
                    TagResolution resolution;
                    TagResolution *explained = setup.explain ? &resolution : nullptr;
                    // With the markers cut off, the name is taken exactly as it is.
                    return setup.namesOnly
                               ? GetTagValue(context, tag.mid(1, tag.size() - 2), false, explained)
                               : GetTagValue(context, tag, true, explained);
                });
            }
        } catch (const ComError &) {
            filled.failed = true;
        }
        if (filled.failed && filled.line != setup.line)
            fail("a failed lookup changed the line", setup.line);
        if (model.liveObjects() != 1)
            fail("a host object was not released", setup.line);
    }
    if (succeededCalls(model, QLatin1StringView("OpenItem")) !=
        allCalls(model, QLatin1StringView("CloseItem")))
        fail("items opened and closes asked for differ", setup.line);
    if (model.liveObjects() != 0)
        fail("a host object outlived the lookup", setup.line);
    if (ComModule::objectCount() != model.existingObjects())
        fail("an enumeration object was not released", setup.line);
    filled.calls = model.calls();
    return filled;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("LC_ALL", "en_US.UTF-8", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 4096)
        return -1;
    const QStringList input =
        QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)).split(u'\n');

    const Filled perTag = fillOnFreshHost(input, Path::PerTag);
    if (perTag.namesOnly)
        return 0;
    const Filled whole = fillOnFreshHost(input, Path::WholeLine);
    if (whole.line != perTag.line || whole.failed != perTag.failed || !sameCalls(whole.calls, perTag.calls))
        fail("the line filled whole and tag by tag differ", input.value(0));
    return 0;
}
