// SPDX-License-Identifier: Apache-2.0
// Failure statuses travel as one exception type until an entry point
// (a View operation, an exported function) turns them back into a status.
#pragma once

#include "ComTypes.h"

#include <QString>
#include <exception>
#include <string>

class ComError : public std::exception
{
public:
    explicit ComError(HRESULT hr, QString description = {});
    HRESULT status() const noexcept { return m_hr; }
    /// The failure's description as the user reads it after "Error :".
    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    HRESULT m_hr;
    QString m_description;
    std::string m_what;
};

/// Throws ComError for a failure status; passes success statuses through.
inline HRESULT check(HRESULT hr)
{
    if (FAILED(hr))
        throw ComError(hr);
    return hr;
}

/// A readable text for a status, used where no description was given.
QString describeStatus(HRESULT hr);
