// SPDX-License-Identifier: Apache-2.0
// The in-memory host's call log as text, for comparing whole call sequences.
#pragma once

#include "host/DeviceModel.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

/// The host calls logged so far, one line each: "Operation(arguments)",
/// followed by " -> error N" for a non-zero error flag and " -> status
/// 0x..." for a failure status. Item and definition handles are named by
/// their first appearance (h1, h2, ..., d1, d2, ...): the log shows which
/// calls share a handle without depending on how the host numbers them.
inline QStringList callLog(const DeviceModel &model)
{
    static const QRegularExpression handle(QStringLiteral("\\b(handle|definition)=(-?\\d+)"));
    QHash<QString, QString> names;
    int items = 0;
    int definitions = 0;
    QStringList log;
    for (const HostCall &call : model.calls()) {
        QString arguments;
        qsizetype from = 0;
        for (auto it = handle.globalMatch(call.arguments); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const bool item = match.captured(1) == QLatin1StringView("handle");
            QString &name = names[match.captured(0)];
            if (name.isEmpty())
                name = item ? QStringLiteral("h%1").arg(++items) : QStringLiteral("d%1").arg(++definitions);
            arguments += call.arguments.mid(from, match.capturedStart(2) - from) + name;
            from = match.capturedEnd(2);
        }
        arguments += call.arguments.mid(from);
        QString line = call.operation + u'(' + arguments + u')';
        if (call.status < 0)
            line += QStringLiteral(" -> status 0x%1").arg(quint32(call.status), 8, 16, QLatin1Char('0'));
        else if (call.error != 0)
            line += QStringLiteral(" -> error %1").arg(call.error);
        log.append(line);
    }
    return log;
}

/// Every item handle OpenItem issued on `model` was closed exactly once
/// (checked on its call log); `openedCount` receives how many were opened.
inline ::testing::AssertionResult eachOpenedItemClosedOnce(const DeviceModel &model,
                                                           qsizetype *openedCount = nullptr)
{
    // Vectors: comparing two empty QLists hands memcmp a null pointer, which
    // the undefined-behaviour sanitizer reports.
    std::vector<std::int32_t> opened, closed;
    for (const HostCall &call : model.calls()) {
        if (call.operation == "OpenItem" && call.status == S_OK && call.error == 0)
            opened.push_back(call.itemHandle);
        else if (call.operation == "CloseItem")
            closed.push_back(call.itemHandle);
    }
    // The close that follows a refused open names no item.
    std::erase(closed, 0);
    std::ranges::sort(opened);
    std::ranges::sort(closed);
    if (openedCount)
        *openedCount = qsizetype(opened.size());
    if (closed == opened)
        return ::testing::AssertionSuccess();
    const auto text = [](const std::vector<std::int32_t> &handles) {
        std::string list;
        for (std::int32_t h : handles)
            list += ' ' + std::to_string(h);
        return list;
    };
    return ::testing::AssertionFailure() << "opened:" << text(opened) << "; closed:" << text(closed);
}

/// One call a line, as a test failure shows it best.
inline std::string logText(const QStringList &calls)
{
    return calls.join(u'\n').toStdString();
}
