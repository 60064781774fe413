#pragma once

#include "colour/palette.h"
#include "imaging/colorref.h"
#include "imaging/raster.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <optional>

namespace qorn {

// The number in a dialog's field: decimal digits with an optional sign, fraction and
// exponent, blanks around it allowed, rounded to the nearest integer with halves to even.
// Nothing for an empty text, words, "nan", "inf", or a value outside 16 bits.
std::optional<int> parseFieldNumber(const QString& text);

// An area with a negative width or height is read as QRect::normalized() reads it (a drag up
// or to the left). Only the stitches inside the area are ever touched.

// Every stitch of `area` (clipped to the pattern) takes `colour`; the rest stays.
void fillStitches(Raster& pattern, const QRect& area, ColorRef colour);

// The stitches of `area` (clipped), as a 24-bit picture of their own; a null image when the
// area lies outside the pattern.
QImage copyStitches(const Raster& pattern, const QRect& area);

// The block of `area` (clipped) turned upside down, or mirrored left to right, in place.
void mirrorStitches(Raster& pattern, const QRect& area, bool upsideDown);

// The stitches of `area` (the whole pattern when none) become greys of their luminance, then
// every stitch of the pattern takes its nearest palette colour. The pattern stays 24-bit.
void grayscaleToPalette(Raster& pattern, const std::optional<QRect>& area, const Palette& palette);

// The specific colour change: inside `area` (the whole pattern when none) every stitch takes
// its palette colour (the nearest; the lowest entry of a repeated colour), and those of the
// colour of entry `from` become the colour of entry `to`. The pattern stays 24-bit.
void changePaletteColour(Raster& pattern, const std::optional<QRect>& area, const Palette& palette, int from,
                         int to);

// The pattern at `width` x `height`, its bottom-left stitch kept in place (a chart is knitted
// from the bottom row up): stitches past the new size are dropped, new ones take `background`.
void resizeAnchored(Raster& pattern, int width, int height, ColorRef background);

// The crop of "選択領域以外削除": the selection's stitches, widened to at least 5 each way (as far
// as the pattern allows); near the right or bottom edge the widened crop moves back inside the
// pattern, so a crop never leaves fewer than 5 stitches or rows that the pattern had.
QRect cropRectForSelection(const QRect& selection, QSize pattern);

// The pattern after a gauge change: columns stay; rows go through a copy with square stitches
// at the old gauge and back at the new one, duplicated or dropped, never blended.
struct GaugeChange {
    int oldMee, oldDan, newMee, newDan;
    // Rows of the square-stitch copy, and rows of the result.
    int squareRows(int rows) const;
    int resultRows(int rows) const;
};
// Why a gauge change cannot be made for a pattern of `rows`, in words for the user; nothing
// when it can (at least one row, within the size any bitmap of the program may have).
std::optional<QString> gaugeChangeRefusal(const GaugeChange& change, int width, int rows);
// The new pattern; the old one is left untouched. Throws Error(err::InvalidValue) when the
// change is refused, so callers ask gaugeChangeRefusal first.
Raster gaugeChanged(const Raster& pattern, const GaugeChange& change);

// A picture from the clipboard made into stitches: transparent parts over white, then colours
// chosen for it with error diffusion and each taken to its nearest palette colour. Pictures
// beyond the size any bitmap of the program may have are refused as out of memory. The colour
// steps are those of an import (reduceToPalette) with 256 colours.
Raster pictureToPattern(const QImage& picture, const Palette& palette);

} // namespace qorn
