// SPDX-License-Identifier: Apache-2.0
// A browser control for tests: records what the window asks of it, answers
// command-status queries from a table and raises events on request.
#pragma once

#include "viewer/BrowserControl.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <QVariant>
#include <functional>

class FakeBrowser : public BrowserControl
{
public:
    /// The widget becomes a child of `parent`, the control a QObject child.
    explicit FakeBrowser(QWidget *parent = nullptr);

    QWidget *widget() const override { return m_widget; }
    void setRegisterAsBrowser(bool value) override { registerAsBrowser = unlessRefused(value); }
    void setRegisterAsDropTarget(bool value) override { registerAsDropTarget = unlessRefused(value); }
    void setOffline(bool value) override { offlineValue = unlessRefused(value); }
    bool offline() const override { return offlineValue; }
    void Navigate(const QString &path) override;
    QString locationUrl() const override { return navigations.value(navigations.size() - 1); }
    std::int32_t QueryStatusWB(std::int32_t command) override
    {
        return rendererGone ? 0 : statusFlags.value(command, 0);
    }
    void ExecWB(std::int32_t, std::int32_t, const QVariant &) override { ++executed; }
    void printToPdf(const QString &path) override { Q_EMIT pdfPrintingFinished(path, true); }

    /// The page's renderer goes: printing is off until the next navigation.
    void loseRenderer()
    {
        rendererGone = true;
        Q_EMIT rendererLost();
    }

    /// Raises one event as the control's objectEvent.
    void raise(const QString &name, const QVariantMap &parameters = {})
    {
        Q_EMIT objectEvent(name, parameters);
    }

    // What the window did.
    QStringList navigations;
    int executed = 0; ///< print and preview commands run
    bool registerAsBrowser = false;
    bool registerAsDropTarget = true;
    bool offlineValue = false;
    bool rendererGone = false;

    // How the control answers: status flags per command (0 when missing),
    // and failures of the other calls.
    QMap<std::int32_t, std::int32_t> statusFlags;
    bool failNavigate = false;
    bool failProperties = false;

private:
    bool unlessRefused(bool value) const;

    QWidget *m_widget = nullptr;
};

/// Installs FakeBrowser as "shell.explorer" for its lifetime and restores the
/// previous control afterwards.
class FakeBrowserRegistration
{
public:
    FakeBrowserRegistration();
    ~FakeBrowserRegistration();
    FakeBrowserRegistration(const FakeBrowserRegistration &) = delete;
    FakeBrowserRegistration &operator=(const FakeBrowserRegistration &) = delete;

    /// Creation throws ComError while set.
    bool failCreate = false;
    /// Applied to every new control before the window sees it.
    std::function<void(FakeBrowser &)> setup;
    /// How many controls were created; the last one (null once deleted).
    int created = 0;
    QPointer<FakeBrowser> last;

private:
    ControlFactory::Creator m_previous;
};
