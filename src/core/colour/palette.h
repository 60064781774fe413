#pragma once

#include "imaging/colorref.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace qorn {

// The 256 drawing colours, read once at start-up from "defpal.dat".
class Palette {
public:
    static constexpr int kSize = 256;
    // Record layout: a 32-bit little-endian index, then the colour (0x00BBGGRR), also 32-bit.
    static constexpr int kRecordSize = 8;

    // Reads up to 256 records; entries beyond a short file stay black. False when the file
    // does not exist or cannot be opened.
    bool load(const QString& path);
    // The same from the file's bytes; only the first 256 whole records count.
    void loadBytes(const QByteArray& data);

    ColorRef operator[](int index) const { return colours_.at(static_cast<size_t>(index)); }
    void set(int index, ColorRef colour) { colours_.at(static_cast<size_t>(index)) = colour; }
    const std::array<ColorRef, kSize>& colours() const { return colours_; }
    // The same colours as Qt holds them, for the matcher and colour tables.
    std::array<QRgb, kSize> rgbColours() const;

    // Smallest index holding exactly this colour, or 0 when none does.
    int FindPalIndex(ColorRef colour) const;

    // Palette cells are 16 to a row; a press at (x, y) in cell units. -1 outside the cells.
    static int indexAt(double x, double y);

private:
    std::array<ColorRef, kSize> colours_{};
};

} // namespace qorn
