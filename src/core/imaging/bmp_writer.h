#pragma once

#include <QRgb>
#include <QtGlobal>

#include <vector>

class QIODevice;

namespace qorn {

// A 24-bit BMP written a row at a time, so no whole image has to exist: the file header and a
// 40-byte info header, then the rows from the bottom up, blue-green-red, each padded with zero
// bytes to a multiple of four. These are the bytes QImageWriter writes for a Format_RGB32 image
// of the same size and resolution.
class BmpRowWriter {
public:
    // A resolution of 0 is written as 72 dpi.
    BmpRowWriter(int width, int height, int dotsPerMeterX, int dotsPerMeterY);

    // The size of the whole file; 0 when the header cannot hold it (2 GB and beyond).
    qint64 fileSize() const;

    bool writeHeader(QIODevice& out) const;
    // `row` holds `width` pixels; the first call takes the bottom row.
    bool writeRow(QIODevice& out, const QRgb* row);

private:
    int width_, height_, dpmX_, dpmY_;
    qint64 rowBytes_;
    std::vector<char> buffer_;
};

} // namespace qorn
