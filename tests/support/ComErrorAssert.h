// SPDX-License-Identifier: Apache-2.0
// The one assertion for "throws a ComError with this status and text".
#pragma once

#include "platform/ComError.h"

#include <QString>
#include <gtest/gtest.h>
#include <optional>

/// Expects `statement` to throw a ComError with `expectedStatus` and the
/// description `expectedText` (std::nullopt: any description).
#define EXPECT_COM_ERROR(statement, expectedStatus, expectedText)                                            \
    do {                                                                                                     \
        try {                                                                                                \
            statement;                                                                                       \
            ADD_FAILURE() << "no ComError from " #statement;                                                 \
        } catch (const ComError &comError_) {                                                                \
            EXPECT_EQ(comError_.status(), (expectedStatus)) << comError_.what();                             \
            if (const std::optional<QString> text_ = (expectedText)) {                                       \
                EXPECT_EQ(comError_.description().toStdString(), text_->toStdString());                      \
            }                                                                                                \
        }                                                                                                    \
    } while (false)
