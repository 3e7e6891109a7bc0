#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace kalvex::test {

// What the widget shows on screen, one pixel per device-independent pixel.
inline QImage Render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

inline int CountColour(const QImage& image, QRgb colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255 && (pixel & 0xFFFFFF) == (colour & 0xFFFFFF)) {
                ++count;
            }
        }
    }
    return count;
}

}  // namespace kalvex::test
