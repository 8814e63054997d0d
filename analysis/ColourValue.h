#pragma once

#include <QRgb>

namespace verimetra {

// A colour value as the program speaks of it: red in bits 0-7, green in bits 8-15,
// blue in bits 16-23, the top byte 0. Reading outside the picture gives -1.
namespace colour {
inline constexpr int Black = 0;
inline constexpr int White = 0xFFFFFF; // 16777215
inline constexpr int Red = 0x0000FF;   // 255: the mark of a counted pixel
inline constexpr int Outside = -1;
} // namespace colour

// The working picture is Format_RGB32 (0xffRRGGBB); these two translate.
inline constexpr int toColourValue(QRgb pixel)
{
    return static_cast<int>(((pixel >> 16) & 0xFFu) | (pixel & 0xFF00u) | ((pixel & 0xFFu) << 16));
}

inline constexpr QRgb toRgb32(int colourValue)
{
    const auto v = static_cast<unsigned>(colourValue);
    return 0xFF000000u | ((v & 0xFFu) << 16) | (v & 0xFF00u) | ((v >> 16) & 0xFFu);
}

} // namespace verimetra
