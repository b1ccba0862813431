// The one assertion for "throws a ComError with this status and text".
#pragma once

#include "platform/ComError.h"

#include <QString>
#include <gtest/gtest.h>
#include <optional>

/// Whether `error` carries `status` and, unless `text` is nullopt, that description.
inline ::testing::AssertionResult isComError(const ComError &error, HRESULT status,
                                             const std::optional<QString> &text)
{
    if (error.status() != status)
        return ::testing::AssertionFailure()
               << "status 0x" << std::hex << static_cast<std::uint32_t>(error.status()) << ", expected 0x"
               << static_cast<std::uint32_t>(status) << " (" << error.what() << ")";
    if (text && error.description() != *text)
        return ::testing::AssertionFailure() << "description \"" << error.description().toStdString()
                                             << "\", expected \"" << text->toStdString() << "\"";
    return ::testing::AssertionSuccess();
}

/// Expects `statement` to throw a ComError with `status` and the description
/// `text` (std::nullopt: any description).
#define EXPECT_COM_ERROR(statement, status, text)                                                            \
    do {                                                                                                     \
        try {                                                                                                \
            statement;                                                                                       \
            ADD_FAILURE() << "no ComError from " #statement;                                                 \
        } catch (const ComError &comError_) {                                                                \
            EXPECT_TRUE(isComError(comError_, (status), (text)));                                            \
        }                                                                                                    \
    } while (false)
