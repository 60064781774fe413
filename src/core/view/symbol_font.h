#pragma once

#include <QFont>

namespace qorn {

// The charts are designed for "ＭＳ ゴシック" and the forms for "ＭＳ Ｐゴシック"; both are asked
// for by those names and mapped onto the IPA fonts here. Installs once; later calls do nothing.
void installFontSubstitutions();

// "ＭＳ ゴシック" at `pointSize`, the face of symbol charts. Installs the substitutions first.
QFont symbolFont(int pointSize = 8);

// The height of "亜" in `font` at 96 dpi, in whole pixels: the side of one symbol cell.
int symbolCellSide(const QFont& font);

} // namespace qorn
