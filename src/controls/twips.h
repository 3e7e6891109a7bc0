#pragma once

#include <cmath>

namespace kalvex {

// Layout and drawing positions are kept in twips (1/1440 inch). Qt works in
// device-independent pixels and scales those for high-DPI screens itself, so
// one pixel here is always 15 twips.
inline constexpr int kTwipsPerPixel = 15;

// Nearest whole pixel, halves away from zero.
inline int TwipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

inline int PixelsToTwips(int pixels) {
    return pixels * kTwipsPerPixel;
}

}  // namespace kalvex
