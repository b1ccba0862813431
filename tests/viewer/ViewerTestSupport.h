// SPDX-License-Identifier: Apache-2.0
// Shared pieces of the viewer tests: an owner standing in for the component,
// a recorder for message boxes, a window on the fake browser.
#pragma once

#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "tests/support/FakeBrowser.h"
#include "tests/support/ScopedEnv.h"
#include "viewer/ViewerOwner.h"
#include "viewer/frmQuiravel.h"

#include <QCoreApplication>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

class TestOwner : public ViewerOwner
{
public:
    QString GetTemplateFileName() const override { return fileName; }
    QString GetTemplateDirectory() const override { return directory; }
    void ReleaseHost() override
    {
        if (window)
            window->SetOwner(nullptr);
    }
    QString GetTagValue(const QString &tag, bool stripMarkers) override
    {
        if (!stripMarkers || !tags.contains(tag))
            throw ComError(E_FAIL, "no tag " + tag);
        return tags.value(tag);
    }
    bool IsDeviceConnected() override { return true; }
    bool LoadData(std::int32_t mode) override
    {
        loads.append(mode);
        return onLoad ? onLoad(mode) : true;
    }
    void WriteReportFile(const QString &path) override
    {
        reportPaths.append(path);
        if (!reportError.isEmpty())
            throw ComError(CTL_E_FILEERROR, reportError);
    }

    /// A new window owned by this owner (deleted when it unloads).
    frmQuiravel *createWindow()
    {
        window = new frmQuiravel;
        window->SetOwner(this);
        return window;
    }

    QString directory;
    QString fileName = "Dev001.HTM";
    QPointer<frmQuiravel> window;
    QMap<QString, QString> tags;
    QString reportError;
    std::function<bool(std::int32_t)> onLoad;
    QList<std::int32_t> loads;
    QStringList reportPaths;
};

/// Answers every message box with OK and keeps the texts shown.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        m_previous = setMessageHandler([this](const MessageRequest &request) {
            texts.append(request.text);
            return vbOK;
        });
    }
    ~MessageRecorder() { setMessageHandler(m_previous); }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QStringList texts;

private:
    MessageHandler m_previous;
};

inline void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

/// A window of a TestOwner on the fake browser, in English, unloaded after
/// the test.
class FakeBrowserWindowTest : public ::testing::Test
{
protected:
    void SetUp() override { window = owner.createWindow(); }
    void TearDown() override
    {
        if (window) {
            EXPECT_NE(window->cursor().shape(), Qt::WaitCursor) << "busy pointer left behind";
            window->Unload();
        }
        flushDeletes();
    }

    FakeBrowser *browser() const { return registration.last; }

    ScopedEnv locale{"LC_ALL", "en_US.UTF-8"};
    FakeBrowserRegistration registration;
    MessageRecorder messages;
    TestOwner owner;
    QPointer<frmQuiravel> window;
};
