// Shared pieces of the viewer tests: an owner standing in for the component,
// a recorder for message boxes.
#pragma once

#include "platform/ComError.h"
#include "platform/MessageBox.h"
#include "tests/support/ScopedEnv.h"
#include "viewer/ViewerOwner.h"
#include "viewer/frmQuiravel.h"

#include <QList>
#include <QMap>
#include <QPointer>
#include <QStringList>
#include <functional>
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
        ++releaseCount;
        if (window)
            window->SetOwner(nullptr);
    }
    QString GetTagValue(const QString &tag, bool stripMarkers) override
    {
        if (onTag)
            onTag(tag);
        if (!stripMarkers || !tags.contains(tag))
            throw ComError(E_FAIL, QStringLiteral("no tag ") + tag);
        return tags.value(tag);
    }
    bool IsDeviceConnected() override { return connected; }
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
    QString fileName = QStringLiteral("Dev001.HTM");
    QPointer<frmQuiravel> window;
    bool connected = true;
    QMap<QString, QString> tags;
    QString reportError;
    std::function<bool(std::int32_t)> onLoad;
    std::function<void(const QString &)> onTag;

    int releaseCount = 0;
    QList<std::int32_t> loads;
    QStringList reportPaths;
};

/// Answers every message box with `answer` and keeps the texts shown.
class MessageRecorder
{
public:
    MessageRecorder()
    {
        m_previous = setMessageHandler([this](const MessageRequest &request) {
            shown.append(request);
            return answer;
        });
    }
    ~MessageRecorder() { setMessageHandler(m_previous); }
    MessageRecorder(const MessageRecorder &) = delete;
    MessageRecorder &operator=(const MessageRecorder &) = delete;

    QStringList texts() const
    {
        QStringList result;
        for (const MessageRequest &request : shown)
            result.append(request.text);
        return result;
    }

    MsgResult answer = vbOK;
    QList<MessageRequest> shown;

private:
    MessageHandler m_previous;
};
