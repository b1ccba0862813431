// SPDX-License-Identifier: Apache-2.0
#include "BrowserControl.h"

#include "WebEngineBrowser.h"
#include "platform/ComError.h"

#include <QHash>

namespace {

const QString kBrowserProgId = QStringLiteral("shell.explorer");

ControlFactory::Creator defaultCreator(const QString &key)
{
    if (key == kBrowserProgId)
        return [](QWidget *parent) -> BrowserControl * { return new WebEngineBrowser(parent); };
    return {};
}

// Identifiers are looked up without regard to case, as the platform's class
// registry does.
QHash<QString, ControlFactory::Creator> &creators()
{
    static QHash<QString, ControlFactory::Creator> table{{kBrowserProgId, defaultCreator(kBrowserProgId)}};
    return table;
}

} // namespace

namespace ControlFactory {

BrowserControl *create(const QString &progId, QWidget *parent)
{
    const Creator creator = creators().value(progId.toLower());
    if (!creator)
        throw ComError(REGDB_E_CLASSNOTREG, QStringLiteral("Class not registered: %1").arg(progId));
    BrowserControl *control = nullptr;
    try {
        control = creator(parent);
    } catch (const ComError &) {
        throw;
    } catch (const std::exception &e) {
        throw ComError(E_FAIL, QString::fromLocal8Bit(e.what()));
    }
    if (!control)
        throw ComError(E_FAIL, QStringLiteral("The control %1 could not be created").arg(progId));
    return control;
}

Creator setCreator(const QString &progId, Creator creator)
{
    const QString key = progId.toLower();
    Creator previous = creators().value(key);
    if (!creator)
        creator = defaultCreator(key);
    if (creator)
        creators().insert(key, std::move(creator));
    else
        creators().remove(key);
    return previous;
}

} // namespace ControlFactory
