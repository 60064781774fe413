#include "common/error.h"
#include "imaging/pcx.h"
#include "imaging/pict.h"
#include "imaging/raster.h"
#include "support/hostile_images.h"
#include "support/sample_images.h"

#include <QFile>
#include <QImageReader>

#include <cstring>

#include <gtest/gtest.h>

using namespace qorn;
using qorn::test::errorOf;
using qorn::test::readFile;

namespace {

struct Format {
    int code;
    const char* suffix;
};
constexpr Format kWritable[] = {{FormatPcx, "pcx"}, {FormatBmp, "bmp"}, {FormatTif, "tif"}, {FormatPict, "pct"}};



} // namespace

TEST(Codecs, EveryWritableFormatRoundTripsAllPaletteEntriesInOrder) {
    const QString dir = test::freshTempDir(QStringLiteral("codec-roundtrip"));
    // Odd widths exercise row padding; 251 makes PICT rows use two-byte counts.
    for (int width : {1, 3, 8, 16, 251}) {
        Raster source;
        source.setImage(test::allIndicesImage(width, 300 / width + 2));
        for (const Format& f : kWritable) {
            const QString path = dir + QStringLiteral("/w%1.").arg(width) + QLatin1String(f.suffix);
            source.save(path, f.code);
            Raster back;
            back.load(path, 0);
            ASSERT_EQ(back.bitsPerPixel(), 8) << f.suffix << " width " << width;
            EXPECT_EQ(back.image().colorTable(), source.image().colorTable()) << f.suffix << " width " << width;
            EXPECT_EQ(back.image(), source.image()) << f.suffix << " width " << width;
        }
    }
}

TEST(Codecs, TwentyFourBitImagesRoundTrip) {
    const QString dir = test::freshTempDir(QStringLiteral("codec-rgb"));
    for (int width : {1, 2, 45}) {
        Raster source;
        source.setImage(test::photoLikeImage(width, 17, 5));
        for (const Format& f : kWritable) {
            const QString path = dir + QStringLiteral("/rgb%1.").arg(width) + QLatin1String(f.suffix);
            source.save(path, f.code);
            Raster back;
            back.load(path, 24);
            EXPECT_EQ(back.image(), source.image()) << f.suffix << " width " << width;
        }
    }
}

TEST(Codecs, GreyRampPaletteSurvivesTiff) {
    // Qt writes a palette that is exactly a grey ramp as a greyscale TIFF.
    const QString path = test::freshTempDir(QStringLiteral("codec-grey")) + QStringLiteral("/g.tif");
    Raster source;
    source.setImage(test::allIndicesImage(16, 16));
    source.grayScale(8);
    source.save(path, FormatTif);
    Raster back;
    back.load(path, 0);
    EXPECT_EQ(back.bitsPerPixel(), 8);
    EXPECT_EQ(back.image(), source.image());
}

TEST(Codecs, BmpPatternFilesAreEightBitWithPixelsAtByte1078) {
    const QString path = test::freshTempDir(QStringLiteral("codec-bmp")) + QStringLiteral("/p.bmp");
    QImage two(5, 3, QImage::Format_Indexed8);
    two.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    two.fill(0);
    two.setPixel(0, 2, 1);
    Raster source;
    source.setImage(two);
    source.save(path, FormatBmp);
    const QByteArray bytes = readFile(path);
    ASSERT_GT(bytes.size(), 1078);
    EXPECT_EQ(uchar(bytes[28]), 8); // bits per pixel
    EXPECT_EQ(uchar(bytes[10]) | (uchar(bytes[11]) << 8), 1078);
    // Bottom row first, padded to 4 bytes: the bottom-left pixel is the first byte.
    EXPECT_EQ(uchar(bytes[1078]), 1);
    EXPECT_EQ(bytes.size(), 1078 + 8 * 3);
}

TEST(Codecs, PcxFilesAreVersionFiveWithTheTrailer) {
    Raster source;
    source.setImage(test::allIndicesImage(7, 3));
    const QByteArray bytes = pcx::write(source.image());
    EXPECT_EQ(uchar(bytes[0]), 0x0A);
    EXPECT_EQ(uchar(bytes[1]), 5);
    EXPECT_EQ(uchar(bytes[2]), 1);
    EXPECT_EQ(uchar(bytes[3]), 8);
    EXPECT_EQ(uchar(bytes[66]), 8); // bytes per line, even
    EXPECT_EQ(uchar(bytes[bytes.size() - 769]), 0x0C);
    EXPECT_EQ(uchar(bytes[bytes.size() - 3]), 255); // entry 255: red 255
}

// A hand-made 4 x 2 PCX of 1 bit in 4 planes (16 colours) with a header palette.
TEST(Codecs, PcxPlanarSixteenColours) {
    QByteArray file(128, '\0');
    file[0] = 0x0A;
    file[1] = 5;
    file[2] = 1;
    file[3] = 1;
    file[8] = 3;  // xmax
    file[10] = 1; // ymax
    for (int i = 0; i < 16; ++i) {
        file[16 + 3 * i] = char(i * 16);
        file[17 + 3 * i] = char(255 - i * 16);
        file[18 + 3 * i] = char(i);
    }
    file[65] = 4;
    file[66] = 2; // bytes per line
    // Row 0: pixel x has index x (planes hold bit p of each index); row 1: index 15 everywhere.
    const uchar row0[8] = {0x50, 0, 0x30, 0, 0x00, 0, 0x00, 0};
    const uchar row1[8] = {0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0};
    for (uchar b : row0) file.append(char(0xC1)), file.append(char(b));
    for (uchar b : row1) file.append(char(0xC1)), file.append(char(b));
    const QImage img = pcx::read(file);
    ASSERT_EQ(img.size(), QSize(4, 2));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(img.pixelIndex(x, 0), x);
    EXPECT_EQ(img.pixelIndex(2, 1), 15);
    EXPECT_EQ(img.pixel(3, 0), qRgb(48, 207, 3));
}

TEST(Codecs, PcxFourBitAndMonochrome) {
    QByteArray file(128, '\0');
    file[0] = 0x0A;
    file[1] = 5;
    file[2] = 0; // stored without run-length coding
    file[3] = 4;
    file[8] = 2;
    file[65] = 1;
    file[66] = 2;
    file[16 + 3 * 7] = char(200);
    file.append(char(0x07));
    file.append(char(0xA0));
    QImage img = pcx::read(file);
    ASSERT_EQ(img.size(), QSize(3, 1));
    EXPECT_EQ(img.pixelIndex(0, 0), 0);
    EXPECT_EQ(img.pixelIndex(1, 0), 7);
    EXPECT_EQ(img.pixelIndex(2, 0), 10);
    EXPECT_EQ(qRed(img.pixel(1, 0)), 200);

    file[3] = 1;
    file[8] = 9; // ten pixels, one bit each
    file[(128)] = char(0x81);
    file[(129)] = char(0x40);
    img = pcx::read(file);
    ASSERT_EQ(img.size(), QSize(10, 1));
    EXPECT_EQ(img.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(1, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(7, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(9, 0), qRgb(255, 255, 255));
}

TEST(Codecs, EveryTruncationOfOurFormatsIsDamaged) {
    Raster source;
    source.setImage(test::photoLikeImage(21, 9));
    const QByteArray rgbPcx = pcx::write(source.image());
    const QByteArray rgbPict = pict::write(source.image());
    source.colorRes(8, PaletteOptimized, 0, 32);
    const QByteArray idxPcx = pcx::write(source.image());
    const QByteArray idxPict = pict::write(source.image());
    struct Case {
        const QByteArray* bytes;
        std::function<QImage(const QByteArray&)> read;
    };
    // Every prefix, the palette trailer of an 8-bit PCX included, is a damaged file.
    const Case cases[] = {{&rgbPcx, pcx::read}, {&idxPcx, pcx::read}, {&rgbPict, pict::read}, {&idxPict, pict::read}};
    for (const Case& c : cases) {
        for (qsizetype n = 0; n < c.bytes->size(); ++n) {
            const int e = errorOf([&] { c.read(c.bytes->left(n)); });
            ASSERT_EQ(e, err::Damaged) << "prefix " << n << " of " << c.bytes->size();
        }
    }
}

TEST(Codecs, HeadersThatLieAboutSizeAreRejectedBeforeAllocating) {
    QByteArray file = test::pcxHeader(8, 1, 0x7FFF, 0x7FFF, 0x8000) + QByteArray(16, '\0');
    EXPECT_EQ(errorOf([&] { pcx::read(file); }), err::Damaged);
    file[8] = 99;
    file[9] = 0;
    file[10] = 99;
    file[11] = 0;
    file[66] = 100;
    file[67] = 0;
    EXPECT_EQ(errorOf([&] { pcx::read(file); }), err::Damaged); // 10000 bytes from 16

    Raster big;
    big.create(40, 30, 8);
    QByteArray pictBytes = pict::write(big.image());
    // Swell the PackBitsRect bounds to 30000 rows.
    const qsizetype op = pictBytes.indexOf(QByteArray("\x00\x98", 2), 512 + 10);
    ASSERT_GT(op, 0);
    pictBytes[op + 8] = char(0x75);
    pictBytes[op + 9] = char(0x30);
    EXPECT_EQ(errorOf([&] { pict::read(pictBytes); }), err::Damaged);
}

TEST(Codecs, UnknownPcxVariantsAreUnsupported) {
    QByteArray file(200, '\0');
    file[0] = 0x0A;
    file[1] = 5;
    file[2] = 1;
    file[3] = 8;
    file[65] = 2; // two 8-bit planes: no such picture
    file[66] = 2;
    EXPECT_EQ(errorOf([&] { pcx::read(file); }), err::Unsupported);
}

TEST(Codecs, PictWithoutFileHeaderAndWithCommentsIsRead) {
    Raster source;
    source.setImage(test::allIndicesImage(10, 4));
    QByteArray bytes = pict::write(source.image()).mid(512);
    // Put a long comment before the picture's first opcode after the header.
    const qsizetype at = bytes.indexOf(QByteArray("\x00\x1E", 2));
    ASSERT_GT(at, 0);
    bytes.insert(at, QByteArray("\x00\xA1\x00\x64\x00\x04" "abcd", 10));
    const QImage back = pict::read(bytes);
    EXPECT_EQ(back, source.image());
}

TEST(Codecs, PicturesTooWideForTheFormatAreRefusedNotWrittenWrong) {
    // A PICT row holds at most 16382 bytes: 4095 pixels at 32 bits, 16382 at 8 bits.
    QImage rgb(4096, 1, QImage::Format_RGB32);
    rgb.fill(qRgb(1, 2, 3));
    EXPECT_EQ(errorOf([&] { pict::write(rgb); }), err::WriteFailure);
    const QImage fits = rgb.copy(0, 0, 4095, 1);
    EXPECT_EQ(pict::read(pict::write(fits)), fits);
    QImage wide(16384, 1, QImage::Format_Indexed8);
    wide.setColorTable(QVector<QRgb>(256, qRgb(9, 9, 9)));
    wide.fill(0);
    EXPECT_EQ(errorOf([&] { pict::write(wide); }), err::WriteFailure);
}

TEST(Codecs, PcxScanLinePaddingIsSkippedEvenWhenRunsCrossLines) {
    // Three 8-bit stitches in lines of 7 bytes; the padding holds junk and one run carries
    // from the padding of row 0 into the pixels of row 1.
    QByteArray file = test::pcxHeader(8, 1, 2, 1, 7);
    file.append("\x01\x02\x03", 3);       // row 0
    file.append("\xC2\x55", 2);           // two bytes of padding
    file.append("\xC4\x09", 2);           // the last two of padding and two pixels of row 1
    file.append("\x04\xC4\x66", 3);       // the last pixel, then padding
    file.append(char(0x0C));
    for (int i = 0; i < 256; ++i) file.append(QByteArray(3, char(i)));
    const QImage img = pcx::read(file);
    ASSERT_EQ(img.size(), QSize(3, 2));
    const int expected[2][3] = {{1, 2, 3}, {9, 9, 4}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(img.pixelIndex(x, y), expected[y][x]) << x << "," << y;

    const QImage wide = pcx::read(test::pcxWithWideScanLines(20000, true));
    EXPECT_EQ(wide.size(), QSize(test::kWideScanLinePixels, 2));
    EXPECT_EQ(wide.pixel(15, 1), qRgb(255, 255, 255));
    EXPECT_EQ(errorOf([] { pcx::read(test::pcxWithWideScanLines(20000, false)); }), err::Damaged);
}

TEST(Codecs, PictBandsAreLaidOnTheFrameInOrder) {
    // Thirteen bands of one column each: the last three cover the first three columns again.
    const QImage img = pict::read(test::pictWithManyBands(13, 3, true));
    ASSERT_EQ(img.size(), QSize(10, 10));
    for (int x = 0; x < 10; ++x) {
        const int band = x < 3 ? 10 + x : x;
        for (int y : {0, 9}) EXPECT_EQ(img.pixel(x, y), test::manyBandsColour(band)) << x << "," << y;
    }
    EXPECT_EQ(errorOf([] { pict::read(test::pictWithManyBands(13, 3, false)); }), err::Damaged);
}

namespace {

// Two images of the same stitches whose row padding and resolution differ, as memory left
// over and another screen would make them.
QImage withLeftovers(const QImage& clean, uchar junk, int dotsPerMetre) {
    QImage out = clean.copy();
    const qsizetype used = out.width();
    for (int y = 0; y < out.height(); ++y)
        std::memset(out.scanLine(y) + used, junk, static_cast<size_t>(out.bytesPerLine() - used));
    out.setDotsPerMeterX(dotsPerMetre);
    out.setDotsPerMeterY(dotsPerMetre);
    return out;
}

uint32_t le32At(const QByteArray& b, int at) {
    return uchar(b[at]) | (uchar(b[at + 1]) << 8) | (uchar(b[at + 2]) << 16) | (uint32_t(uchar(b[at + 3])) << 24);
}

} // namespace

TEST(Codecs, TheSamePatternAlwaysSavesToTheSameBytes) {
    const QString dir = test::freshTempDir(QStringLiteral("codec-same-bytes"));
    auto expectSameFiles = [&](const Raster& first, const Raster& second, const QString& name) {
        for (const Format& f : kWritable) {
            const QString a = dir + QStringLiteral("/a-") + name + QLatin1Char('.') + QLatin1String(f.suffix);
            const QString b = dir + QStringLiteral("/b-") + name + QLatin1Char('.') + QLatin1String(f.suffix);
            first.save(a, f.code);
            second.save(b, f.code);
            const QByteArray bytes = test::readFile(a);
            ASSERT_FALSE(bytes.isEmpty()) << f.suffix;
            EXPECT_TRUE(bytes == test::readFile(b)) << f.suffix << " " << name.toStdString();
            first.save(a, f.code);
            EXPECT_TRUE(test::readFile(a) == bytes) << f.suffix << " " << name.toStdString();
        }
        EXPECT_TRUE(first.saveToMemory() == second.saveToMemory()) << name.toStdString();
    };
    for (int width : {1, 3, 50, 51}) {
        const QImage clean = test::allIndicesImage(width, 5);
        Raster first, second;
        first.setImage(withLeftovers(clean, 0xAA, 5000));
        second.setImage(withLeftovers(clean, 0x55, 2835));
        // Mirroring twice gives the same stitches in freshly allocated rows.
        second.mirror();
        second.mirror();
        const QString name = QString::number(width);
        expectSameFiles(first, second, name);

        QImage photo = test::photoLikeImage(width, 5);
        photo.setDotsPerMeterX(5000);
        Raster rgbFirst, rgbSecond;
        rgbFirst.setImage(photo);
        photo.setDotsPerMeterX(2835);
        rgbSecond.setImage(photo);
        expectSameFiles(rgbFirst, rgbSecond, QStringLiteral("rgb") + name);

        const QByteArray memory = first.saveToMemory();
        const QByteArray bmp = test::readFile(dir + QStringLiteral("/a-%1.bmp").arg(width));
        ASSERT_EQ(le32At(bmp, 10), 1078u);
        EXPECT_EQ(le32At(bmp, 38), 3780u); // 96 dots per inch
        EXPECT_EQ(le32At(bmp, 42), 3780u);
        EXPECT_EQ(memory.mid(38, 8), bmp.mid(38, 8));
        const int stride = (width + 3) & ~3;
        ASSERT_EQ(bmp.size(), 1078 + stride * 5);
        for (int row = 0; row < 5; ++row) {
            // Bottom row first.
            const QByteArray line = bmp.mid(1078 + row * stride, stride);
            EXPECT_EQ(uchar(line[0]), uchar(clean.pixelIndex(0, 4 - row))) << "width " << width;
            EXPECT_EQ(line.mid(width), QByteArray(stride - width, '\0')) << "width " << width << " row " << row;
        }
        QImageReader tiff(dir + QStringLiteral("/a-%1.tif").arg(width));
        const QImage back = tiff.read();
        EXPECT_EQ(back.dotsPerMeterX(), 3780);
        EXPECT_EQ(back.dotsPerMeterY(), 3780);
    }
}
