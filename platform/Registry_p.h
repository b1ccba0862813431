// SPDX-License-Identifier: Apache-2.0
// What the registry's calls, its file store and its transactions share; not
// for callers.
#pragma once

#include "RegFile.h"
#include "Registry.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace Registry::Internal {

/// The registry file as read now.
struct Loaded
{
    std::shared_ptr<RegFile::Document> document; ///< shared with the cache: not to be changed
    std::int32_t status = ERROR_SUCCESS;
    QString error; ///< "FILE: cause"
};

/// The system's text for an errno value.
QString systemError(int error);
/// The status a call answers for an errno value.
std::int32_t statusOf(int error);

// ---- the file store ----

/// The file's parse: the one kept from the last read while the file is as it
/// was, or a new one. A missing file is an empty registry.
Loaded load(const QString &path);
/// `document` as one of the caller's own to change: taken from
/// the kept parse instead of copied when nobody else reads it.
RegFile::Document ownCopy(std::shared_ptr<RegFile::Document> document);
/// Keeps `document` as the parse of `bytes`, now the content of the file.
void remember(const QString &path, const QByteArray &bytes, std::shared_ptr<RegFile::Document> document);
/// Replaces the file whole by a new file with `bytes`, given the old file's
/// permissions; false with the status and "FILE: cause" when it cannot.
bool replaceFile(const QString &path, const QByteArray &bytes, std::int32_t *status, QString *error);

// ---- transactions ----

/// The registry as this thread sees it: its transaction's document, or the file.
struct View
{
    std::shared_ptr<const RegFile::Document> shared;
    const RegFile::Document *document = nullptr;
    std::int32_t status = ERROR_SUCCESS;
};
View currentView();
/// Makes one change in this thread's transaction, or in one of its own.
/// `apply` answers ERROR_SUCCESS when it changed the document.
std::int32_t change(const std::function<std::int32_t(RegFile::Document &)> &apply);

} // namespace Registry::Internal
