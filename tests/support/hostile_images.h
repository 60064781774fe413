#pragma once

// Files whose headers are honest enough to pass every up-front check yet would make a careless
// reader allocate far more than the picture needs. Header only: the fuzzers' seed writer uses
// them as well.

#include <QByteArray>

#include <algorithm>
#include <cstdint>

namespace qorn::test {

namespace hostile {

inline void be16(QByteArray& b, int v) {
    b.append(char((v >> 8) & 0xff));
    b.append(char(v & 0xff));
}
inline void be32(QByteArray& b, uint32_t v) {
    be16(b, int(v >> 16));
    be16(b, int(v & 0xffff));
}
inline void beRect(QByteArray& b, int top, int left, int bottom, int right) {
    for (int v : {top, left, bottom, right}) be16(b, v);
}

} // namespace hostile

// A version 5 PCX header with run-length encoding: the fields the readers look at, little-endian.
inline QByteArray pcxHeader(int bitsPerPixel, int planes, int xmax, int ymax, int bytesPerLine) {
    QByteArray file(128, '\0');
    file[0] = 0x0A;
    file[1] = 5;
    file[2] = 1;
    file[3] = char(bitsPerPixel);
    file[8] = char(xmax & 0xff);
    file[9] = char((xmax >> 8) & 0xff);
    file[10] = char(ymax & 0xff);
    file[11] = char((ymax >> 8) & 0xff);
    file[65] = char(planes);
    file[66] = char(bytesPerLine & 0xff);
    file[67] = char((bytesPerLine >> 8) & 0xff);
    return file;
}

// The 54 bytes of a 24-bit BMP header that claims `width` x `height` pixels and holds none.
inline QByteArray bmpHeaderClaiming(int width, int height) {
    QByteArray bmp(54, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[10] = 54;
    bmp[14] = 40;
    for (int k = 0; k < 4; ++k) {
        bmp[18 + k] = char((width >> (8 * k)) & 0xff);
        bmp[22 + k] = char((height >> (8 * k)) & 0xff);
    }
    bmp[26] = 1;
    bmp[28] = 24;
    return bmp;
}

constexpr int kWideScanLinePixels = 16;
constexpr int kWideScanLineBytes = 65535; // a plane of 16 one-bit pixels needs 2

// A PCX of 16 stitches across in four 1-bit planes, each scan line of a plane claiming 65535
// bytes. About `dataBytes` of pixel data follow; the header asks for as many lines as that
// could hold if every byte pair were a run of 63. When `whole`, the data are such runs of 0xFF
// (colour 15 everywhere); otherwise single bytes, which run out long before the picture ends.
inline QByteArray pcxWithWideScanLines(int64_t dataBytes, bool whole) {
    constexpr int planes = 4;
    constexpr int64_t lineBytes = int64_t(kWideScanLineBytes) * planes;
    const int64_t pairs = whole ? dataBytes / 2 : dataBytes;
    const int height = int(std::clamp<int64_t>(pairs * 63 / lineBytes, 1, 32767));
    QByteArray file = pcxHeader(1, planes, kWideScanLinePixels - 1, height - 1, kWideScanLineBytes);
    if (whole) {
        const int64_t runs = (lineBytes * height + 62) / 63;
        QByteArray pair("\xFF\xFF", 2);
        file.append(pair.repeated(static_cast<qsizetype>(runs)));
    } else {
        file.append(QByteArray(static_cast<qsizetype>(dataBytes), '\0'));
    }
    return file;
}

constexpr int kManyBandsFrame = 10;
constexpr int kManyBandsWidth = 16382;

// The colour of band k of pictWithManyBands; band k covers column k % 10 of the frame.
inline uint32_t manyBandsColour(int k) {
    return 0xff000000u | (uint32_t(k * 7 & 0xff) << 16) | (uint32_t(k * 13 & 0xff) << 8) | uint32_t(k * 29 & 0xff);
}

// A PICT of a 10 x 10 frame drawn from `bands` packed 8-bit bands of 16382 x `rows` stitches
// each, every one scaled into one column of the frame. Without `ended` the closing opcode is
// missing, so the file is damaged only at its very end.
inline QByteArray pictWithManyBands(int bands, int rows, bool ended) {
    using namespace hostile;
    QByteArray b(512, '\0');
    be16(b, 0);
    beRect(b, 0, 0, kManyBandsFrame, kManyBandsFrame);
    be16(b, 0x0011);
    be16(b, 0x02FF);
    be16(b, 0x0C00);
    b.append(QByteArray(24, '\0'));
    // 16382 zero bytes packed as 127 runs of 128 and one of 126.
    QByteArray row;
    be16(row, 256);
    for (int i = 0; i < 127; ++i) row.append("\x81\x00", 2);
    row.append("\x83\x00", 2);
    const QByteArray rowsData = row.repeated(rows);
    for (int k = 0; k < bands; ++k) {
        be16(b, 0x0098);
        be16(b, kManyBandsWidth | 0x8000);
        beRect(b, 0, 0, rows, kManyBandsWidth);
        be16(b, 0);          // pmVersion
        be16(b, 0);          // packType
        be32(b, 0);          // packSize
        be32(b, 0x00480000); // hRes
        be32(b, 0x00480000); // vRes
        be16(b, 0);          // pixelType
        be16(b, 8);          // pixelSize
        be16(b, 1);          // cmpCount
        be16(b, 8);          // cmpSize
        be32(b, 0);
        be32(b, 0);
        be32(b, 0);
        be32(b, 0); // ctSeed
        be16(b, 0); // flags
        be16(b, 0); // one entry
        const uint32_t c = manyBandsColour(k);
        be16(b, 0);
        be16(b, int((c >> 16) & 0xff) * 0x101);
        be16(b, int((c >> 8) & 0xff) * 0x101);
        be16(b, int(c & 0xff) * 0x101);
        beRect(b, 0, 0, rows, kManyBandsWidth);
        beRect(b, 0, k % kManyBandsFrame, kManyBandsFrame, k % kManyBandsFrame + 1);
        be16(b, 0); // srcCopy
        b.append(rowsData);
    }
    if (ended) be16(b, 0x00FF);
    return b;
}

} // namespace qorn::test
