// Stored colour values, system colours among them, as the palette's colours.
#include "controls/system_colour.h"

namespace kalvex {
namespace {

QPalette::ColorRole RoleOfSystemIndex(unsigned index) {
    switch (index) {
        case 1:   // desktop
        case 2:   // active caption
        case 13:  // highlight
        case 27:  // gradient active caption
            return QPalette::Highlight;
        case 5:  // window
            return QPalette::Base;
        case 6:  // window frame
            return QPalette::Shadow;
        case 7:  // menu text
        case 8:  // window text
        case 9:  // caption text
            return QPalette::WindowText;
        case 14:  // highlight text
            return QPalette::HighlightedText;
        case 15:  // button face
            return QPalette::Button;
        case 16:  // button shadow
            return QPalette::Dark;
        case 17:  // grey text
            return QPalette::PlaceholderText;
        case 18:  // button text
            return QPalette::ButtonText;
        case 20:  // button highlight
            return QPalette::Light;
        case 21:  // 3-D dark shadow
            return QPalette::Shadow;
        case 22:  // 3-D light
            return QPalette::Midlight;
        case 23:  // tooltip text
            return QPalette::ToolTipText;
        case 24:  // tooltip background
            return QPalette::ToolTipBase;
        case 26:  // hot-tracked item
            return QPalette::Link;
        default:  // menus, scroll bars, inactive captions, application workspace
            return QPalette::Window;
    }
}

}  // namespace

bool IsSystemColour(ColourValue value) {
    return (value & 0xFF000000u) == 0x80000000u;
}

QColor TranslateColour(ColourValue value, const QPalette& palette) {
    if (IsSystemColour(value)) {
        return palette.color(QPalette::Active, RoleOfSystemIndex(value & 0x00FFFFFFu));
    }
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

ColourValue ColourToValue(const QColor& colour) {
    return static_cast<ColourValue>(colour.red()) |
           (static_cast<ColourValue>(colour.green()) << 8) |
           (static_cast<ColourValue>(colour.blue()) << 16);
}

}  // namespace kalvex
