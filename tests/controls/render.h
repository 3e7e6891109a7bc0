#pragma once

#include <QImage>
#include <QWidget>
#include <algorithm>

namespace kalvex::test {

// What the widget shows on screen, one pixel per device-independent pixel.
inline QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Opaque pixels of the colour in an ARGB32 image.
inline int CountColour(const QImage& image, QRgb colour) {
    const auto* pixels = reinterpret_cast<const QRgb*>(image.constBits());
    return static_cast<int>(
        std::count(pixels, pixels + image.sizeInBytes() / 4, colour | 0xFF000000));
}

}  // namespace kalvex::test
