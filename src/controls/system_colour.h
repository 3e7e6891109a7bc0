#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace kalvex {

// Colours are 32-bit values as the stored properties hold them: 0x00BBGGRR,
// or 0x800000nn for the system colour with index nn.
using ColourValue = std::uint32_t;

inline constexpr ColourValue kButtonFace = 0x8000000F;
inline constexpr ColourValue kButtonShadow = 0x80000010;
inline constexpr ColourValue kButtonHighlight = 0x80000014;
inline constexpr ColourValue kDarkShadow3D = 0x80000015;
inline constexpr ColourValue kLight3D = 0x80000016;

bool IsSystemColour(ColourValue value);

// The RGB colour a value stands for; system colours come from the palette's
// roles (button face -> Button, shadow -> Dark, highlight -> Light, 3-D dark
// shadow -> Shadow, 3-D light -> Midlight; the rest to the nearest role).
QColor TranslateColour(ColourValue value, const QPalette& palette);

// 0x00BBGGRR of an RGB colour.
ColourValue ColourToValue(const QColor& colour);

}  // namespace kalvex
