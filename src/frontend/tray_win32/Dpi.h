#pragma once
// Inventory geometry is in twips; windows here are in pixels at the system's dpi.

#include "platform/win32/WinApi.h"

namespace dormix::tray_win32 {

inline constexpr int TwipsPerInch = 1440;

// Rounded to the nearest pixel, as the inventory's own pixel column is.
constexpr int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi * 2 + TwipsPerInch) / (2 * TwipsPerInch);
}
constexpr float PixelsToTwips(int pixels, int dpi) {
    return static_cast<float>(pixels) * TwipsPerInch / static_cast<float>(dpi);
}
// Font height for CreateFont: negative, so it is the character height.
inline int PointsToFontHeight(double points, int dpi) {
    return -MulDiv(static_cast<int>(points * 100 + 0.5), dpi, 7200);
}

int SystemDpi();

}  // namespace dormix::tray_win32
