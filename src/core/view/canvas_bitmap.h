#pragma once

#include "canvas_renderer.h"

#include <QImage>
#include <QString>

namespace qorn {

// Saves the drawing screen: the canvas as the renderer draws it (cells, grid, overlay), W zoom
// x Hc pixels without the bottom border row, as a 24-bit BMP. The canvas is rendered a band at
// a time from the bottom, in the order the file stores its rows, so memory stays small however
// large the canvas; the old file survives any failure. Throws Error: OutOfMemory for a canvas
// of no pixels, WriteFailure when the file would be too large for its header, and the numbers
// of writeFileAtomically.
void saveCanvasBitmap(const QString& path, CanvasRenderer& renderer, const QImage& pattern,
                      const CanvasGeometry& geometry, GridChoice grid);

} // namespace qorn
