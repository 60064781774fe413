#include "text_chart.h"

#include "imaging/codec_limits.h"
#include "imaging/quantize.h"

#include <algorithm>
#include <cstring>

namespace qorn {

QByteArray textChartBytes(const QImage& pattern, const std::optional<QRect>& area, const Palette& palette,
                          int backgroundIndex, const SymbolTable& symbols) {
    const QRect rect = area ? area->intersected(pattern.rect()) : pattern.rect();
    if (rect.isEmpty()) return {};
    const QImage src =
        pattern.format() == QImage::Format_RGB32 ? pattern : pattern.convertToFormat(QImage::Format_RGB32);
    if (src.isNull()) throw Error(err::OutOfMemory);

    const std::array<QRgb, 256> colours = palette.rgbColours();
    const bool hasBackground = backgroundIndex >= 0 && backgroundIndex < 256;
    const QRgb background = hasBackground ? colours[static_cast<size_t>(backgroundIndex)] : 0;

    // What each entry writes, decided once: every entry of the background colour is blank.
    std::array<QByteArray, 256> out;
    qsizetype widest = kBackgroundSymbolBytes.size();
    for (size_t i = 0; i < 256; ++i) {
        out[i] = hasBackground && colours[i] == background ? kBackgroundSymbolBytes : symbols[i].bytes;
        widest = std::max(widest, out[i].size());
    }

    // A matcher of our own: the shared one fills its cubes lazily and belongs to its users.
    PaletteMatcher matcher(colours);
    const qsizetype lineMax = qsizetype(rect.width()) * widest + 2;
    QByteArray bytes = guardAllocation([&] { return QByteArray(lineMax * rect.height(), Qt::Uninitialized); });
    char* d = bytes.data();
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y)) + rect.left();
        QRgb last = ~(s[0] | 0xff000000u);
        const QByteArray* symbol = nullptr;
        for (int x = 0; x < rect.width(); ++x) {
            const QRgb c = s[x] | 0xff000000u;
            if (c != last) {
                last = c;
                symbol = &out[static_cast<size_t>(matcher.nearest(c))];
            }
            std::memcpy(d, symbol->constData(), static_cast<size_t>(symbol->size()));
            d += symbol->size();
        }
        *d++ = '\r';
        *d++ = '\n';
    }
    bytes.truncate(d - bytes.constData());
    return bytes;
}

} // namespace qorn
