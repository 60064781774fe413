#include "common/error.h"
#include "imaging/raster.h"
#include "support/hostile_images.h"
#include "support/sample_images.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

#include <gtest/gtest.h>

using namespace qorn;
using qorn::test::errorOf;

namespace {


Raster fromRows(const std::vector<std::vector<ColorRef>>& rows) {
    Raster r;
    r.create(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), 24);
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) r.setPixel(int(x), int(y), rows[y][x]);
    return r;
}

} // namespace

TEST(Raster, CreateFillAndPixelsUseColorRefLayout) {
    Raster r;
    r.create(3, 2, 24);
    EXPECT_EQ(r.bitsPerPixel(), 24);
    r.fill(0x0000FF); // red
    EXPECT_EQ(qRed(r.image().pixel(2, 1)), 255);
    EXPECT_EQ(qBlue(r.image().pixel(2, 1)), 0);
    EXPECT_EQ(r.pixel(0, 0), 0x0000FFu);
    r.release();
    EXPECT_TRUE(r.isNull());
    EXPECT_EQ(r.bitsPerPixel(), 0);
}

TEST(Raster, CropIsClippedToTheBitmap) {
    Raster r = fromRows({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}});
    r.crop(1, 1, 5, 5);
    ASSERT_EQ(r.width(), 2);
    ASSERT_EQ(r.height(), 2);
    EXPECT_EQ(r.pixel(0, 0), 5u);
    EXPECT_EQ(r.pixel(1, 1), 9u);
    EXPECT_EQ(errorOf([&] { r.crop(5, 5, 2, 2); }), err::Damaged);
    EXPECT_EQ(r.width(), 2);
}

TEST(Raster, FlipMirrorInvert) {
    Raster r = fromRows({{1, 2}, {3, 4}});
    r.flip();
    EXPECT_EQ(r.pixel(0, 0), 3u);
    EXPECT_EQ(r.pixel(1, 1), 2u);
    r.mirror();
    EXPECT_EQ(r.pixel(0, 0), 4u);
    EXPECT_EQ(r.pixel(1, 1), 1u);
    r.invert();
    EXPECT_EQ(r.pixel(0, 0), 0xFFFFFBu);
}

TEST(Raster, GrayScaleUsesLuminanceAndGivesEightBits) {
    Raster r = fromRows({{0x0000FF, 0x00FF00, 0xFF0000, 0x808080}});
    r.grayScale(8);
    EXPECT_EQ(r.bitsPerPixel(), 8);
    EXPECT_EQ(colorRefRed(r.pixel(0, 0)), 76);  // 0.299 * 255
    EXPECT_EQ(colorRefRed(r.pixel(1, 0)), 150); // 0.587 * 255
    EXPECT_EQ(colorRefRed(r.pixel(2, 0)), 29);  // 0.114 * 255
    EXPECT_EQ(r.pixel(3, 0), 0x808080u);
    EXPECT_EQ(r.bitmapPalette(200), 0xC8C8C8u);
}

TEST(Raster, ColorCountCountsDistinctColours) {
    Raster r = fromRows({{1, 2, 1}, {3, 3, 3}});
    EXPECT_EQ(r.colorCount(), 3);
    r.setImage(test::allIndicesImage(16, 16));
    EXPECT_EQ(r.colorCount(), 256);
}

TEST(Raster, MemoryBmpRoundTripsBothDepths) {
    Raster r;
    r.setImage(test::photoLikeImage(37, 21));
    const QByteArray bytes = r.saveToMemory();
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    Raster back;
    back.loadFromMemory(bytes);
    EXPECT_EQ(back.image(), r.image());

    Raster indexed;
    indexed.setImage(test::allIndicesImage(9, 5));
    back.loadFromMemory(indexed.saveToMemory());
    EXPECT_EQ(back.bitsPerPixel(), 8);
    EXPECT_EQ(back.image().colorTable(), indexed.image().colorTable());
    EXPECT_EQ(errorOf([&] { back.loadFromMemory(QByteArray("BM garbage")); }), err::Damaged);
}

TEST(Raster, EightBitHeldImagesAlwaysCarry256Entries) {
    QImage small(4, 4, QImage::Format_Indexed8);
    small.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    small.fill(1);
    Raster r;
    r.setImage(small);
    EXPECT_EQ(r.image().colorCount(), 256);
    EXPECT_EQ(r.bitmapPalette(1), 0xFF0000u);
    r.setBitmapPalette(1, 0x00FF00);
    EXPECT_EQ(r.pixel(2, 2), 0x00FF00u);
}

TEST(Raster, UserPaletteModeMapsEveryPixelToTheNearestEntry) {
    Raster r = fromRows({{0x000000, 0x0A0A0A, 0xF0F0F0}, {0x0000F0, 0x7F7F7F, 0x818181}});
    for (int i = 0; i < 256; ++i) r.setUserPalette(i, 0x0000FF); // red everywhere...
    r.setUserPalette(3, 0x000000);
    r.setUserPalette(4, 0xFFFFFF);
    r.setUserPalette(5, 0x808080);
    r.setUserPalette(6, 0x808080); // ...a tie resolves to the lower index
    r.colorRes(8, PaletteUser, 0, 256);
    EXPECT_EQ(r.bitsPerPixel(), 8);
    const QImage& img = r.image();
    EXPECT_EQ(img.pixelIndex(0, 0), 3);
    EXPECT_EQ(img.pixelIndex(1, 0), 3);
    EXPECT_EQ(img.pixelIndex(2, 0), 4);
    EXPECT_EQ(img.pixelIndex(0, 1), 0);
    EXPECT_EQ(img.pixelIndex(1, 1), 5);
    EXPECT_EQ(img.pixelIndex(2, 1), 5);
    EXPECT_EQ(r.bitmapPalette(4), 0xFFFFFFu);
    r.colorRes(24, PaletteFixedRgb, 0, 0);
    EXPECT_EQ(r.bitsPerPixel(), 24);
    EXPECT_EQ(r.pixel(2, 0), 0xFFFFFFu);
    EXPECT_EQ(r.pixel(0, 1), 0x0000FFu);
}

TEST(Raster, OptimizedPaletteKeepsFewColoursExactly) {
    Raster r = fromRows({{0x123456, 0x654321, 0x123456}, {0xABCDEF, 0x654321, 0x000001}});
    r.colorRes(8, PaletteOptimized, 0, 0);
    EXPECT_EQ(r.bitsPerPixel(), 8);
    EXPECT_EQ(r.image().colorCount(), 256);
    EXPECT_EQ(r.pixel(0, 0), 0x123456u);
    EXPECT_EQ(r.pixel(1, 0), 0x654321u);
    EXPECT_EQ(r.pixel(0, 1), 0xABCDEFu);
    EXPECT_EQ(r.pixel(2, 1), 0x000001u);
    // In order of first appearance.
    EXPECT_EQ(r.bitmapPalette(0), 0x123456u);
    EXPECT_EQ(r.bitmapPalette(2), 0xABCDEFu);
}

TEST(Raster, ResizeShrinksSmoothly) {
    Raster r = fromRows({{0x000000, 0xFFFFFF}, {0xFFFFFF, 0x000000}});
    r.resize(1, 1);
    ASSERT_EQ(r.width(), 1);
    const int grey = colorRefRed(r.pixel(0, 0));
    EXPECT_GT(grey, 100);
    EXPECT_LT(grey, 155);
}

TEST(RasterLoad, FailuresCarryTheirNumbers) {
    const QString dir = test::freshTempDir(QStringLiteral("load-errors"));
    Raster r;
    r.create(2, 2, 24);
    EXPECT_EQ(errorOf([&] { r.load(dir + QStringLiteral("/missing.bmp"), 24); }), err::FileNotFound);
    EXPECT_EQ(errorOf([&] { r.load(dir, 24); }), err::Unsupported);
    for (const char* name : {"empty.bmp", "empty.png", "empty.tif", "empty.jpg", "empty.pcx", "empty.pct", "empty.gif"}) {
        const QString path = test::writeFile(dir + QLatin1Char('/') + QLatin1String(name), {});
        EXPECT_EQ(errorOf([&] { r.load(path, 24); }), err::Damaged) << name;
    }
    const QString garbage = test::writeFile(dir + QStringLiteral("/noise.xyz"), QByteArray(3000, '\x5a'));
    EXPECT_EQ(errorOf([&] { r.load(garbage, 0); }), err::Unsupported);
    const QString empty = test::writeFile(dir + QStringLiteral("/empty.xyz"), {});
    EXPECT_EQ(errorOf([&] { r.load(empty, 0); }), err::Unsupported);
    // A failed load leaves the bitmap as it was.
    EXPECT_EQ(r.width(), 2);
}

TEST(RasterLoad, TruncatedAndLyingFilesAreDamagedNotFatal) {
    const QString dir = test::freshTempDir(QStringLiteral("load-truncated"));
    const QImage photo = test::photoLikeImage(64, 48);
    Raster r;
    for (const char* format : {"png", "bmp", "jpg", "tif"}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(QImageWriter(&buffer, format == QByteArray("tif") ? "tiff" : format).write(photo)) << format;
        const QString path = dir + QStringLiteral("/cut.") + QLatin1String(format);
        test::writeFile(path, bytes.left(40));
        const int e = errorOf([&] { r.load(path, 24); });
        EXPECT_TRUE(e == err::Damaged || e == err::Unsupported) << format << " gave " << e;
    }
    // A BMP header claiming 60000 x 60000 pixels in a file of a few bytes.
    const QString liar = test::writeFile(dir + QStringLiteral("/liar.bmp"), test::bmpHeaderClaiming(60000, 60000));
    const int e = errorOf([&] { r.load(liar, 24); });
    EXPECT_TRUE(e == err::Damaged || e == err::OutOfMemory) << e;
}

TEST(RasterLoad, PicturesBeyondTheCapAreOutOfMemory) {
    const QString dir = test::freshTempDir(QStringLiteral("load-cap"));
    // A whole one-stitch PCX, then a hole that makes the file larger than any picture we hold.
    Raster one;
    one.create(1, 1, 8);
    one.save(dir + QStringLiteral("/one.pcx"), FormatPcx);
    QFile file(dir + QStringLiteral("/one.pcx"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize((128ll << 20) + 1));
    file.close();
    Raster r;
    EXPECT_EQ(errorOf([&] { r.load(file.fileName(), 0); }), err::OutOfMemory);
    QFile::remove(file.fileName());

    // An undo snapshot that claims 16000 x 16000 stitches.
    EXPECT_EQ(errorOf([&] { r.loadFromMemory(test::bmpHeaderClaiming(16000, 16000)); }), err::OutOfMemory);

    QImage wide(40000, 1, QImage::Format_RGB32);
    wide.fill(0xff000000);
    EXPECT_EQ(errorOf([&] { r.setImage(wide); }), err::OutOfMemory);
    EXPECT_TRUE(r.isNull()); // nothing was taken
}

TEST(RasterLoad, KeepsEightBitsWhenAskedAndConvertsOtherwise) {
    const QString dir = test::freshTempDir(QStringLiteral("load-depth"));
    const QString path = dir + QStringLiteral("/indexed.png");
    ASSERT_TRUE(test::allIndicesImage(16, 16).save(path));
    Raster r;
    r.load(path, 0);
    EXPECT_EQ(r.bitsPerPixel(), 8);
    r.load(path, 24);
    EXPECT_EQ(r.bitsPerPixel(), 24);
    EXPECT_EQ(r.colorCount(), 256);
}

TEST(RasterSave, UnknownFormatCodeAndUnwritableTargetFailAndKeepTheOldFile) {
    const QString dir = test::freshTempDir(QStringLiteral("save-errors"));
    Raster r;
    r.create(4, 4, 24);
    EXPECT_EQ(errorOf([&] { r.save(dir + QStringLiteral("/x.jpg"), 10); }), err::Unsupported);
    EXPECT_EQ(errorOf([&] { r.save(dir + QStringLiteral("/no/such/folder/x.bmp"), FormatBmp); }), err::BadFileName);
    const QString existing = test::writeFile(dir + QStringLiteral("/keep.bmp"), QByteArray("old"));
    Raster empty;
    EXPECT_EQ(errorOf([&] { empty.save(existing, FormatBmp); }), err::WriteFailure);
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));
}
