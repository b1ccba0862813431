// SPDX-License-Identifier: Apache-2.0
#include "FakeBrowser.h"

#include "platform/ComError.h"

#include <QWidget>
#include <utility>

FakeBrowser::FakeBrowser(QWidget *parent) : BrowserControl(parent), m_widget(new QWidget(parent)) {}

bool FakeBrowser::unlessRefused(bool value) const
{
    if (failProperties)
        throw ComError(E_FAIL, QStringLiteral("property refused"));
    return value;
}

void FakeBrowser::Navigate(const QString &path)
{
    if (failNavigate)
        throw ComError(E_FAIL, QStringLiteral("Navigate failed"));
    navigations.append(path);
    // A new renderer loads the page again.
    if (std::exchange(rendererGone, false))
        Q_EMIT loadFinished(true);
}

FakeBrowserRegistration::FakeBrowserRegistration()
{
    m_previous = ControlFactory::setCreator(QStringLiteral("shell.explorer"), [this](QWidget *parent) {
        if (failCreate)
            throw ComError(REGDB_E_CLASSNOTREG, QStringLiteral("Class not registered"));
        auto *browser = new FakeBrowser(parent);
        ++created;
        last = browser;
        if (setup)
            setup(*browser);
        return static_cast<BrowserControl *>(browser);
    });
}

FakeBrowserRegistration::~FakeBrowserRegistration()
{
    ControlFactory::setCreator(QStringLiteral("shell.explorer"), m_previous);
}
