// SPDX-License-Identifier: Apache-2.0
// The interface of the test component: an object that only counts references.
#pragma once

#include "platform/ComTypes.h"

struct ITestCounter : IUnknown
{
};

inline constexpr IID IID_ITestCounter = {
    0x6A1F0C52, 0x93B4, 0x4E07, {0x8D, 0x21, 0x5C, 0x0E, 0x7B, 0x44, 0x19, 0xA3}};
inline constexpr CLSID CLSID_TestCounter = {
    0x2F8D4E61, 0x0B7A, 0x4C3E, {0x9A, 0x15, 0xD2, 0x60, 0x3B, 0x8F, 0x71, 0xC4}};
