// SPDX-License-Identifier: Apache-2.0
// The window's layout arithmetic, free of widgets so that it can be checked
// with plain numbers.
#pragma once

/// The browser's size as the window lays it out.
struct BrowserGeometry
{
    int width = 0;
    int height = 0;

    friend constexpr bool operator==(const BrowserGeometry &, const BrowserGeometry &) = default;
};

/// The browser's size after the client area became `clientWidth` by
/// `clientHeight` (the area below the menu bar, status bar included), with
/// the browser's top at `browserTop` and a status bar `statusBarHeight` high.
/// Sizes too small to hold the browser leave the current size as it is, so a
/// minimised window changes nothing.
constexpr BrowserGeometry layoutBrowser(int clientWidth, int clientHeight, int browserTop,
                                        int statusBarHeight, BrowserGeometry current) noexcept
{
    BrowserGeometry result = current;
    if (clientWidth > 4)
        result.width = clientWidth;
    if (browserTop + statusBarHeight + 1 < clientHeight)
        result.height = clientHeight - browserTop - statusBarHeight;
    return result;
}
