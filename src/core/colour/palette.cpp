#include "palette.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace qorn {

bool Palette::load(const QString& path) {
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) return false;
    loadBytes(file.read(qint64(kSize) * kRecordSize));
    return true;
}

void Palette::loadBytes(const QByteArray& data) {
    colours_.fill(0);
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const int records = static_cast<int>(std::min<qsizetype>(data.size() / kRecordSize, kSize));
    for (int i = 0; i < records; ++i) {
        const uchar* c = p + i * kRecordSize + 4;
        colours_[static_cast<size_t>(i)] = ColorRef(c[0]) | (ColorRef(c[1]) << 8) | (ColorRef(c[2]) << 16) |
                                           (ColorRef(c[3]) << 24);
    }
}

std::array<QRgb, Palette::kSize> Palette::rgbColours() const {
    std::array<QRgb, kSize> out;
    for (size_t i = 0; i < out.size(); ++i) out[i] = rgbFromColorRef(colours_[i]);
    return out;
}

int Palette::FindPalIndex(ColorRef colour) const {
    for (int i = 0; i < kSize; ++i)
        if (colours_[static_cast<size_t>(i)] == colour) return i;
    return 0;
}

int Palette::indexAt(double x, double y) {
    // Outside the 16 x 16 cells is no cell, never the neighbour of another row.
    if (!(x >= 0 && x < 16 && y >= 0 && y < 16)) return -1;
    return static_cast<int>(y) * 16 + static_cast<int>(x);
}

} // namespace qorn
