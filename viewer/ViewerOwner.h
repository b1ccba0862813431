// SPDX-License-Identifier: Apache-2.0
// What the viewer window needs of the component that owns it.
#pragma once

#include "platform/MessageBox.h"
#include "printfile/TagContext.h"

#include <QString>
#include <cstdint>
#include <optional>

class ViewerOwner
{
public:
    /// Base name of the print template, language code and ".HTM"; empty when
    /// the description names no template.
    virtual QString GetTemplateFileName() const = 0;
    /// The description file's directory, ending with its separator; may be empty.
    virtual QString GetTemplateDirectory() const = 0;
    /// Detaches window and component and releases the host; called while the
    /// window unloads. Throws ComError with the host's failure status once
    /// everything is released all the same.
    virtual void ReleaseHost() = 0;
    /// Text of one tag (throws ComError where the line must stay unchanged).
    virtual QString GetTagValue(const QString &tag, bool stripMarkers) = 0;
    /// What GetTagValue(tag, true) looks tags up in, for filling a whole
    /// line without a call per tag; none when each tag must go through
    /// GetTagValue.
    virtual std::optional<TagContext> lineTagContext() const { return std::nullopt; }
    virtual bool IsDeviceConnected() = 0;
    /// Reloads the data (0 application, 1 database, 2 device); true when the
    /// view may be regenerated. May run a nested event loop (upload wait).
    virtual bool LoadData(std::int32_t mode) = 0;
    /// Writes the default device report (throws ComError on failure).
    virtual void WriteReportFile(const QString &path) = 0;
    /// Shows one of the window's message boxes; an owner may have its host
    /// answer it instead of the user.
    virtual MsgResult showMessage(const MessageRequest &request, QWidget *parent)
    {
        return MsgBox(request.text, request.buttons, request.icon, request.title, parent);
    }

protected:
    ~ViewerOwner() = default;
};
