#include "canvas_bitmap.h"

#include "common/error.h"
#include "common/file_write.h"
#include "imaging/bmp_writer.h"

#include <algorithm>

namespace qorn {
namespace {
constexpr qint64 kBandBytes = 4 << 20;
} // namespace

void saveCanvasBitmap(const QString& path, CanvasRenderer& renderer, const QImage& pattern,
                      const CanvasGeometry& g, GridChoice grid) {
    const int width = g.pixelWidth(), height = g.pixelHeight();
    if (width <= 0 || height <= 0) throw Error(err::OutOfMemory);
    // A new image's resolution, which is what a whole-canvas image would have been saved with.
    const QImage fresh(1, 1, QImage::Format_RGB32);
    BmpRowWriter bmp(width, height, fresh.dotsPerMeterX(), fresh.dotsPerMeterY());
    const qint64 size = bmp.fileSize();
    if (size == 0) throw Error(err::WriteFailure);
    // Converted once here, or the renderer would convert it for every band.
    const QImage source =
        pattern.format() == QImage::Format_RGB32 ? pattern : pattern.convertToFormat(QImage::Format_RGB32);
    const int bandRows = static_cast<int>(std::clamp<qint64>(kBandBytes / (qint64(width) * 4), 1, height));
    QImage band(width, bandRows, QImage::Format_RGB32);
    if (band.isNull() || source.isNull()) throw Error(err::OutOfMemory);
    writeFileAtomically(
        path, size,
        [&](QIODevice& out) {
            if (!bmp.writeHeader(out)) return false;
            for (int bottom = height; bottom > 0; bottom -= bandRows) {
                const int top = std::max(0, bottom - bandRows);
                renderer.render(source, g, grid, QRect(0, top, width, bottom - top), band);
                for (int y = bottom - top - 1; y >= 0; --y)
                    if (!bmp.writeRow(out, reinterpret_cast<const QRgb*>(band.constScanLine(y)))) return false;
            }
            return true;
        },
        err::WriteFailure);
}

} // namespace qorn
