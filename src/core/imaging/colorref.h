#pragma once

#include <QRgb>

#include <cstdint>

namespace qorn {

// Colours travel through the program as 32-bit values laid out 0x00BBGGRR (red in the low byte),
// the layout of the palette file and of every stored colour.
using ColorRef = uint32_t;

constexpr ColorRef makeColorRef(int r, int g, int b) {
    return static_cast<ColorRef>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}
constexpr int colorRefRed(ColorRef c) { return static_cast<int>(c & 0xff); }
constexpr int colorRefGreen(ColorRef c) { return static_cast<int>((c >> 8) & 0xff); }
constexpr int colorRefBlue(ColorRef c) { return static_cast<int>((c >> 16) & 0xff); }

constexpr QRgb rgbFromColorRef(ColorRef c) {
    return 0xff000000u | (static_cast<QRgb>(colorRefRed(c)) << 16) | (static_cast<QRgb>(colorRefGreen(c)) << 8) |
           static_cast<QRgb>(colorRefBlue(c));
}
constexpr ColorRef colorRefFromRgb(QRgb c) {
    return makeColorRef(static_cast<int>((c >> 16) & 0xff), static_cast<int>((c >> 8) & 0xff),
                        static_cast<int>(c & 0xff));
}

} // namespace qorn
