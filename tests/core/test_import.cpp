#include "colour/palette.h"
#include "common/error.h"
#include "import/import_source.h"
#include "support/sample_images.h"

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QSet>

#include <gtest/gtest.h>

using namespace qorn;
using qorn::test::errorOf;
using qorn::test::iconFile;
using qorn::test::put16;
using qorn::test::put32;

namespace {



uint32_t crc32(const QByteArray& data) {
    uint32_t c = 0xffffffffu;
    for (char ch : data) {
        c ^= uchar(ch);
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xedb88320u & (0u - (c & 1)));
    }
    return ~c;
}

// A PNG that claims 30000 x 30000 pixels.
QByteArray hugePng() {
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray ihdr("IHDR");
    for (uint32_t v : {30000u, 30000u}) {
        ihdr.append(char(v >> 24));
        ihdr.append(char(v >> 16));
        ihdr.append(char(v >> 8));
        ihdr.append(char(v));
    }
    ihdr.append("\x08\x02\x00\x00\x00", 5);
    auto be32 = [&](uint32_t v) {
        for (int shift : {24, 16, 8, 0}) png.append(char((v >> shift) & 0xff));
    };
    auto chunk = [&](const QByteArray& body) {
        be32(uint32_t(body.size() - 4));
        png.append(body);
        be32(crc32(body));
    };
    chunk(ihdr);
    // The first row of pixels, compressed; the rest of the picture is missing.
    const QByteArray row = qCompress(QByteArray(1 + 3 * 30000, '\0')).mid(4);
    chunk(QByteArray("IDAT") + row);
    chunk(QByteArray("IEND"));
    return png;
}

} // namespace

TEST(IconDirectory, ListsEveryImage) {
    const QString dir = test::freshTempDir(QStringLiteral("icons"));
    const QString path = test::writeFile(dir + QStringLiteral("/three.ico"), iconFile({16, 32, 48}));
    const auto entries = ReadIconDirectory(path);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].width, 32);
    EXPECT_EQ(entries[2].height, 48);
    EXPECT_EQ(entries[0].colours, 256);
    QImage bmp(7, 5, QImage::Format_RGB32);
    bmp.fill(0xff00ff00);
    bmp.save(dir + QStringLiteral("/b.bmp"));
    const auto one = ReadIconDirectory(dir + QStringLiteral("/b.bmp"));
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].width, 7);
    EXPECT_EQ(one[0].colours, -1);
    QByteArray empty;
    put16(empty, 0);
    put16(empty, 1);
    put16(empty, 0);
    EXPECT_EQ(errorOf([&] { ReadIconDirectory(test::writeFile(dir + QStringLiteral("/e.ico"), empty)); }), err::Damaged);
    EXPECT_EQ(IconColorDepth(16), IconDepth::Colours16);
    EXPECT_EQ(IconColorDepth(2), IconDepth::Monochrome);
    EXPECT_EQ(IconColorDepth(-1), IconDepth::Default);
}

TEST(IconDirectory, ASideOfZeroIs256) {
    const QString dir = test::freshTempDir(QStringLiteral("icons-256"));
    QByteArray file = iconFile({256, 32});
    const QString square = test::writeFile(dir + QStringLiteral("/big.ico"), file);
    auto entries = ReadIconDirectory(square);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].width, 256);
    EXPECT_EQ(entries[0].height, 256);
    EXPECT_EQ(entries[1].width, 32);
    // Each side is read on its own: an entry 256 wide and 32 high.
    file[6 + 16] = 0;
    entries = ReadIconDirectory(test::writeFile(dir + QStringLiteral("/wide.ico"), file));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].width, 256);
    EXPECT_EQ(entries[1].height, 32);

    ImportSource src;
    src.open(square, 0xFFFFFF);
    EXPECT_EQ(src.size(), QSize(entries[0].width, entries[0].height));
}

TEST(ImportSource, IconsAndCursorsTakeTheBackgroundWhereTransparent) {
    const QString dir = test::freshTempDir(QStringLiteral("icon-import"));
    for (const QString name : {QStringLiteral("/i.ico"), QStringLiteral("/c.cur")}) {
        const QString path = test::writeFile(dir + name, iconFile({16, 32}, name.endsWith(QLatin1String("cur")) ? 2 : 1));
        ImportSource src;
        src.open(path, 0x0000FF); // red background
        ASSERT_TRUE(src.isIcon()) << name.toStdString();
        EXPECT_EQ(src.size(), QSize(16, 16));
        src.selectIcon(1);
        EXPECT_EQ(src.size(), QSize(32, 32));
        const Raster r = src.read(200);
        EXPECT_EQ(r.pixel(0, 5), 0x0000FFu);  // transparent: the background
        EXPECT_EQ(r.pixel(31, 5), 0x2040C0u); // opaque: its own colour
    }
}

TEST(ImportSource, WidePicturesShrinkToTheLimitAndNarrowOnesStay) {
    const QString dir = test::freshTempDir(QStringLiteral("import-size"));
    test::photoLikeImage(640, 480).save(dir + QStringLiteral("/wide.png"));
    ImportSource src;
    src.open(dir + QStringLiteral("/wide.png"), 0xFFFFFF);
    EXPECT_EQ(src.size(), QSize(640, 480));
    const Raster r = src.read(200);
    EXPECT_EQ(QSize(r.width(), r.height()), QSize(200, 150));
    test::photoLikeImage(8, 30).save(dir + QStringLiteral("/narrow.bmp"));
    src.open(dir + QStringLiteral("/narrow.bmp"), 0xFFFFFF);
    const Raster n = src.read(200);
    EXPECT_EQ(QSize(n.width(), n.height()), QSize(8, 30)); // never enlarged
}

TEST(ImportSource, CutsWorkOnTheCurrentCut) {
    const QString dir = test::freshTempDir(QStringLiteral("import-cut"));
    const QImage photo = test::photoLikeImage(100, 80, 4);
    photo.save(dir + QStringLiteral("/p.png"));
    ImportSource src;
    src.open(dir + QStringLiteral("/p.png"), 0xFFFFFF);
    src.cut(QRect(10, 20, 50, 40));
    src.cut(QRect(5, 5, 10, 10));
    EXPECT_EQ(src.clip(), QRect(15, 25, 10, 10));
    EXPECT_EQ(src.read(200).image(), photo.copy(15, 25, 10, 10));
    src.cut(QRect(8, 8, 100, 100)); // clipped to the picture
    EXPECT_EQ(src.clip(), QRect(23, 33, 2, 2));
}

TEST(ImportSource, PreparedPicturesUseOnlyPaletteColours) {
    const QString dir = test::freshTempDir(QStringLiteral("import-prepare"));
    test::photoLikeImage(300, 120, 8).save(dir + QStringLiteral("/p.jpg"), "JPG", 90);
    Palette palette;
    palette.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
    ImportSource src;
    src.open(dir + QStringLiteral("/p.jpg"), 0xFFFFFF);
    const Raster r = prepareImport(src, {200, 16, true}, palette);
    EXPECT_EQ(r.width(), 200);
    EXPECT_EQ(r.height(), 80);
    QSet<ColorRef> colours;
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x) colours.insert(r.pixel(x, y));
    EXPECT_LE(colours.size(), 16);
    for (ColorRef c : colours) EXPECT_EQ(palette[palette.FindPalIndex(c)], c);
}

TEST(ImportSource, BadPicturesAreRefusedWithTheirNumbers) {
    const QString dir = test::freshTempDir(QStringLiteral("import-bad"));
    ImportSource src;
    EXPECT_EQ(errorOf([&] { src.open(dir + QStringLiteral("/none.png"), 0); }), err::FileNotFound);
    EXPECT_EQ(errorOf([&] { src.open(dir, 0); }), err::Unsupported);
    test::writeFile(dir + QStringLiteral("/huge.png"), hugePng());
    const int huge = errorOf([&] {
        src.open(dir + QStringLiteral("/huge.png"), 0);
        src.preview(QSize(320, 240));
    });
    EXPECT_EQ(huge, err::OutOfMemory);
    QByteArray jpeg;
    QBuffer b(&jpeg);
    b.open(QIODevice::WriteOnly);
    QImageWriter(&b, "jpeg").write(test::photoLikeImage(64, 64));
    test::writeFile(dir + QStringLiteral("/cut.jpg"), jpeg.left(100));
    const int cut = errorOf([&] {
        src.open(dir + QStringLiteral("/cut.jpg"), 0);
        src.read(200);
    });
    EXPECT_EQ(cut, err::Damaged); // the header alone: no picture at all
    test::writeFile(dir + QStringLiteral("/junk.xyz"), QByteArray(500, 'q'));
    EXPECT_EQ(errorOf([&] { src.open(dir + QStringLiteral("/junk.xyz"), 0); }), err::Unsupported);
}
