// SPDX-License-Identifier: Apache-2.0
// The embedded web browser as the viewer window uses it, and the control
// factory that creates it by programmatic identifier.
#pragma once

#include "platform/ComTypes.h"

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

class QWidget;

/// Document-command values of the browser's status query and execution.
enum OLECMDID : std::int32_t { OLECMDID_PRINT = 6, OLECMDID_PRINTPREVIEW = 7 };
inline constexpr std::int32_t OLECMDF_ENABLED = 2;
enum OLECMDEXECOPT : std::int32_t { OLECMDEXECOPT_DODEFAULT = 0, OLECMDEXECOPT_PROMPTUSER = 1 };

/// A browser control: a widget plus the properties, navigation, command
/// status/execution and events the window needs. Failures throw ComError.
class BrowserControl : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    /// The control's widget (owned by the control's parent window).
    virtual QWidget *widget() const = 0;

    virtual void setRegisterAsBrowser(bool value) = 0;
    virtual void setRegisterAsDropTarget(bool value) = 0;
    /// True: the page can reach no network at all (local files only).
    virtual void setOffline(bool value) = 0;
    virtual bool offline() const = 0;

    virtual void Navigate(const QString &path) = 0;
    /// The path or URL last navigated to.
    virtual QString locationUrl() const = 0;

    /// Status flags of a document command (OLECMDF_ENABLED = can run now).
    virtual std::int32_t QueryStatusWB(std::int32_t command) = 0;
    virtual void ExecWB(std::int32_t command, std::int32_t option, const QVariant &in) = 0;

    /// Prints the page shown to a PDF file; finished with pdfPrintingFinished.
    virtual void printToPdf(const QString &path) = 0;

Q_SIGNALS:
    /// Every browser event by name, with its parameters by name:
    /// "NavigateComplete2" {"URL"}, "ProgressChange" {"Progress", "ProgressMax"},
    /// "StatusTextChange" {"Text"}, "DocumentComplete" {"URL"}.
    void objectEvent(const QString &name, const QVariantMap &parameters);
    /// The page finished loading (after NavigateComplete2 and its layout).
    void loadFinished(bool ok);
    void pdfPrintingFinished(const QString &path, bool ok);
    /// The process that rendered the page ended (crashed or was killed); the
    /// page is blank and cannot be printed until it is loaded again.
    void rendererLost();
};

namespace ControlFactory {
using Creator = std::function<BrowserControl *(QWidget *parent)>;
/// Creates the control registered under `progId` ("shell.explorer" is the
/// WebEngine browser); throws ComError when none is registered or it fails.
BrowserControl *create(const QString &progId, QWidget *parent);
/// Replaces the creator for `progId` (an empty one restores the default);
/// answers the previous creator.
Creator setCreator(const QString &progId, Creator creator);
} // namespace ControlFactory
