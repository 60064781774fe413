#include "bmp_writer.h"

#include <QIODevice>

#include <array>
#include <limits>

namespace qorn {
namespace {

constexpr qint64 kHeaderBytes = 14 + 40;
constexpr int kDefaultDotsPerMeter = 2834; // 72 dpi

template <size_t N> void putLe(std::array<char, kHeaderBytes>& h, size_t at, quint32 value) {
    for (size_t i = 0; i < N; ++i) h[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

} // namespace

BmpRowWriter::BmpRowWriter(int width, int height, int dotsPerMeterX, int dotsPerMeterY)
    : width_(width), height_(height), dpmX_(dotsPerMeterX ? dotsPerMeterX : kDefaultDotsPerMeter),
      dpmY_(dotsPerMeterY ? dotsPerMeterY : kDefaultDotsPerMeter),
      rowBytes_((static_cast<qint64>(width) * 24 + 31) / 32 * 4) {}

qint64 BmpRowWriter::fileSize() const {
    if (width_ <= 0 || height_ <= 0) return 0;
    const qint64 size = kHeaderBytes + rowBytes_ * height_;
    return size <= std::numeric_limits<qint32>::max() ? size : 0;
}

bool BmpRowWriter::writeHeader(QIODevice& out) const {
    const qint64 size = fileSize();
    if (size == 0) return false;
    std::array<char, kHeaderBytes> h{};
    h[0] = 'B';
    h[1] = 'M';
    putLe<4>(h, 2, static_cast<quint32>(size));
    putLe<4>(h, 10, static_cast<quint32>(kHeaderBytes)); // no colour table
    putLe<4>(h, 14, 40);
    putLe<4>(h, 18, static_cast<quint32>(width_));
    putLe<4>(h, 22, static_cast<quint32>(height_)); // positive: bottom-up
    putLe<2>(h, 26, 1);                             // planes
    putLe<2>(h, 28, 24);                            // bits per pixel
    putLe<4>(h, 34, static_cast<quint32>(size - kHeaderBytes));
    putLe<4>(h, 38, static_cast<quint32>(dpmX_));
    putLe<4>(h, 42, static_cast<quint32>(dpmY_));
    return out.write(h.data(), kHeaderBytes) == kHeaderBytes;
}

bool BmpRowWriter::writeRow(QIODevice& out, const QRgb* row) {
    // The padding stays zero: only the pixel bytes are ever overwritten.
    if (buffer_.empty()) buffer_.assign(static_cast<size_t>(rowBytes_), 0);
    char* b = buffer_.data();
    for (int x = 0; x < width_; ++x) {
        *b++ = static_cast<char>(qBlue(row[x]));
        *b++ = static_cast<char>(qGreen(row[x]));
        *b++ = static_cast<char>(qRed(row[x]));
    }
    return out.write(buffer_.data(), rowBytes_) == rowBytes_;
}

} // namespace qorn
