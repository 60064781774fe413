#pragma once

#include "colour/palette.h"
#include "view/symbol_file.h"

#include <QByteArray>
#include <QImage>
#include <QRect>

#include <optional>

namespace qorn {

// The text-file chart: one CP932 line per row of `area` (the whole pattern without one), top
// to bottom, one symbol per stitch left to right, every line ended by CR LF. A stitch takes
// the symbol of the palette entry its colour maps to, by the same nearest-colour rule as the
// palette snap; a stitch whose colour is the background colour is the full-width blank, even
// when the palette holds that colour again at another index. `area` is clipped to the pattern.
QByteArray textChartBytes(const QImage& pattern, const std::optional<QRect>& area, const Palette& palette,
                          int backgroundIndex, const SymbolTable& symbols);

} // namespace qorn
