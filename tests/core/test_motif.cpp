#include "common/error.h"
#include "document/pattern_files.h"
#include "support/sample_images.h"
#include "tools/motif.h"

#include <QDir>
#include <QFile>

#include <QSet>

#include <gtest/gtest.h>

using namespace qorn;

namespace {

constexpr QRgb R = 0xffff0000, G = 0xff00ff00, B = 0xff0000ff, W = 0xffffffff, K = 0xff000000;

QImage picture(int w, int h, std::initializer_list<QRgb> pixels) {
    QImage img(w, h, QImage::Format_RGB32);
    auto it = pixels.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, *it++);
    return img;
}

QImage filled(int w, int h, QRgb c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

} // namespace

TEST(Motif, ThumbnailKeepsAspectWithinFortyEight) {
    EXPECT_EQ(motifThumbnailSize(QSize(30, 10)), QSize(48, 16));
    EXPECT_EQ(motifThumbnailSize(QSize(10, 30)), QSize(16, 48));
    EXPECT_EQ(motifThumbnailSize(QSize(200, 200)), QSize(48, 48));
    EXPECT_EQ(motifThumbnailSize(QSize(3, 2)), QSize(48, 32));
    EXPECT_EQ(motifThumbnailSize(QSize(1, 200)), QSize(1, 48)); // 0.24 still shows a column
    for (const QSize s : {QSize(7, 5), QSize(400, 13), QSize(13, 400), QSize(1, 1)}) {
        const QSize t = motifThumbnailSize(s);
        EXPECT_LE(t.width(), 48);
        EXPECT_LE(t.height(), 48);
        EXPECT_EQ(std::max(t.width(), t.height()), 48);
    }
}

TEST(Motif, ThumbnailIsCrisp) {
    // 2 x 1 stitches become two solid 24 x 24 blocks: no blended colour anywhere.
    const QImage thumb = motifThumbnail(solidMotif(picture(2, 1, {R, B})), 0);
    ASSERT_EQ(thumb.size(), QSize(48, 24));
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 48; ++x) ASSERT_EQ(thumb.pixel(x, y), x < 24 ? R : B) << x << "," << y;

    const QImage odd = motifThumbnail(solidMotif(picture(3, 2, {R, G, B, G, B, R})), 0);
    QSet<QRgb> colours;
    for (int y = 0; y < odd.height(); ++y)
        for (int x = 0; x < odd.width(); ++x) colours.insert(odd.pixel(x, y));
    EXPECT_EQ(colours, (QSet<QRgb>{R, G, B}));
}

TEST(Motif, ThumbnailShowsBackgroundInFaceColour) {
    const QImage thumb = motifThumbnail(maskedByColour(picture(2, 1, {R, W}), makeColorRef(255, 255, 255)), makeColorRef(0xf0, 0xf0, 0xf0));
    EXPECT_EQ(thumb.pixel(0, 0), R);
    EXPECT_EQ(thumb.pixel(47, 0), 0xfff0f0f0u);
}

TEST(Motif, SizeCheck) {
    EXPECT_EQ(kMotifTooLarge, QStringLiteral("大きすぎるﾋﾞｯﾄﾏｯﾌﾟです"));
    EXPECT_FALSE(motifTooLarge(QSize(100, 100), QSize(100, 100)));
    EXPECT_TRUE(motifTooLarge(QSize(101, 100), QSize(100, 100)));
    EXPECT_TRUE(motifTooLarge(QSize(100, 101), QSize(100, 100)));
    EXPECT_FALSE(motifTooLarge(QSize(1, 1), QSize(100, 100)));
}

TEST(Motif, MaskedStampKeepsThePatternUnderTheBackground) {
    // Background white; the motif draws a blue diagonal.
    const PreparedMotif m = maskedByColour(picture(2, 2, {B, W, W, B}), makeColorRef(255, 255, 255));
    ASSERT_TRUE(m.masked());
    QImage pattern = filled(3, 3, R);
    stampMotif(pattern, m, QPoint(1, 1));
    const QRgb expected[3][3] = {{R, R, R}, {R, B, R}, {R, R, B}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(pattern.pixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(Motif, MaskedStampKeepsBlackStitchesOfTheMotif) {
    const PreparedMotif m = maskedByColour(picture(2, 1, {K, G}), makeColorRef(0, 255, 0));
    QImage pattern = filled(2, 1, R);
    stampMotif(pattern, m, QPoint(0, 0));
    EXPECT_EQ(pattern.pixel(0, 0), K);
    EXPECT_EQ(pattern.pixel(1, 0), R);
}

TEST(Motif, SolidStampOverwritesTheWholeRectangle) {
    const PreparedMotif m = solidMotif(picture(2, 2, {B, W, W, B}));
    EXPECT_FALSE(m.masked());
    QImage pattern = filled(3, 3, R);
    stampMotif(pattern, m, QPoint(1, 1));
    const QRgb expected[3][3] = {{R, R, R}, {R, B, W}, {R, W, B}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(pattern.pixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(Motif, StampIsClippedAtEveryEdge) {
    const PreparedMotif m = solidMotif(picture(3, 1, {R, G, B}));
    QImage pattern = filled(4, 2, W);
    stampMotif(pattern, m, QPoint(-2, 0)); // only the last column lands
    stampMotif(pattern, m, QPoint(2, 1));  // only the first two land
    stampMotif(pattern, m, QPoint(0, -1)); // entirely above
    stampMotif(pattern, m, QPoint(4, 0));  // entirely right
    const QRgb expected[2][4] = {{B, W, W, W}, {W, W, R, G}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pattern.pixel(x, y), expected[y][x]) << x << "," << y;
}

TEST(Motif, IconIsStampedThirtyTwoSquareWithAlphaMask) {
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    icon.setPixel(0, 0, 0xff0000ff); // one opaque blue stitch, doubled to 2 x 2
    const PreparedMotif m = maskedByAlpha(icon);
    ASSERT_EQ(m.size(), QSize(32, 32));
    QImage pattern = filled(40, 40, R);
    stampMotif(pattern, m, QPoint(3, 3));
    int blue = 0, red = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) (pattern.pixel(x, y) == B ? blue : red) += 1;
    EXPECT_EQ(blue, 4);
    EXPECT_EQ(red, 40 * 40 - 4);
    EXPECT_EQ(pattern.pixel(4, 4), B);
}

TEST(Motif, IconEntryPrefersThirtyTwo) {
    QImage e16(16, 16, QImage::Format_ARGB32), e48(48, 48, QImage::Format_ARGB32), e32(32, 32, QImage::Format_ARGB32);
    e16.fill(Qt::red);
    e48.fill(Qt::green);
    e32.fill(Qt::blue);
    EXPECT_EQ(iconEntry32({e16, e48, e32}).pixel(0, 0), 0xff0000ffu);
    const QImage scaled = iconEntry32({e16, e48});
    EXPECT_EQ(scaled.size(), QSize(32, 32));
    EXPECT_EQ(scaled.pixel(31, 31), 0xffff0000u); // 16 and 48 are equally far: the first entry wins
    EXPECT_TRUE(iconEntry32({}).isNull());
}

namespace {

// A palette where white appears twice and the icon's orange is an entry of its own.
Palette motifPalette() {
    Palette p;
    for (int i = 0; i < 256; ++i) p.set(i, makeColorRef(i, (i * 7) & 255, (i * 13) & 255));
    p.set(0, makeColorRef(0, 0, 0));
    p.set(12, makeColorRef(255, 0, 0));
    p.set(3, makeColorRef(0, 0, 255));
    p.set(15, makeColorRef(255, 255, 255));
    p.set(200, makeColorRef(255, 255, 255));
    p.set(40, makeColorRef(0xC0, 0x40, 0x20));
    return p;
}

QString savedPattern(const QString& dir, const QString& base, const QImage& image, int background) {
    image.save(dir + QLatin1Char('/') + base + QStringLiteral(".bmp"));
    const QString qrd = dir + QLatin1Char('/') + base + QStringLiteral(".qrd");
    test::writeFile(qrd, qrdText({QStringLiteral("bmp"), 20, 20, background}));
    return qrd;
}

} // namespace

TEST(LoadedMotif, ASavedPatternKeepsThePatternWhereItsBackgroundColourIs) {
    const QString dir = test::freshTempDir(QStringLiteral("motif-qrd"));
    const Palette palette = motifPalette();
    // Background 15 and 200 are both white: either way white stitches are background.
    for (const int background : {15, 200}) {
        const QString qrd = savedPattern(dir, QStringLiteral("m%1").arg(background), picture(3, 2, {B, W, W, W, B, W}),
                                         background);
        const LoadedMotif loaded = loadMotif(qrd, palette);
        EXPECT_EQ(loaded.kind, MotifKind::Pattern);
        EXPECT_TRUE(sameFile(loaded.image, dir + QStringLiteral("/m%1.bmp").arg(background)));
        ASSERT_TRUE(loaded.motif.masked());
        QImage pattern = filled(5, 4, R);
        stampMotif(pattern, loaded.motif, QPoint(1, 1));
        const QRgb expected[4][5] = {{R, R, R, R, R}, {R, B, R, R, R}, {R, R, B, R, R}, {R, R, R, R, R}};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(pattern.pixel(x, y), expected[y][x]) << background << ":" << x << "," << y;
    }
    // The open command's checks hold for motifs too.
    const QString bad = dir + QStringLiteral("/bad.qrd");
    test::writeFile(bad, qrdText({QStringLiteral("bmp"), 20, 20, 300}));
    EXPECT_EQ(test::errorOf([&] { loadMotif(bad, palette); }), err::Damaged);
    test::writeFile(bad, qrdText({QStringLiteral("../x/bmp"), 20, 20, 15}));
    EXPECT_EQ(test::errorOf([&] { loadMotif(bad, palette); }), err::BadFileName);
    EXPECT_EQ(test::errorOf([&] { loadMotif(dir + QStringLiteral("/gone.bmp"), palette); }), err::FileNotFoundOs);
}

TEST(LoadedMotif, PicturesAreSnappedToThePaletteAndStampedSolid) {
    const QString dir = test::freshTempDir(QStringLiteral("motif-bmp"));
    const QString path = dir + QStringLiteral("/solid.bmp");
    picture(2, 1, {0xfffe0101, W}).save(path); // almost red
    const LoadedMotif loaded = loadMotif(path, motifPalette());
    EXPECT_EQ(loaded.kind, MotifKind::Picture);
    EXPECT_FALSE(loaded.motif.masked());
    QImage pattern = filled(2, 1, B);
    stampMotif(pattern, loaded.motif, QPoint(0, 0));
    EXPECT_EQ(pattern.pixel(0, 0), R);
    EXPECT_EQ(pattern.pixel(1, 0), W);
}

TEST(LoadedMotif, IconsStampTheirThirtyTwoEntryWithTransparencyKeepingThePattern) {
    const QString dir = test::freshTempDir(QStringLiteral("motif-ico"));
    const QString path = test::writeFile(dir + QStringLiteral("/three.ico"), test::iconFile({16, 48, 32}));
    const LoadedMotif loaded = loadMotif(path, motifPalette());
    EXPECT_EQ(loaded.kind, MotifKind::Icon);
    ASSERT_EQ(loaded.motif.size(), QSize(32, 32));
    // Stamped at column -3: the transparent left half keeps the pattern, the right half lands
    // from column 13 to 28.
    QImage pattern = filled(40, 40, B);
    stampMotif(pattern, loaded.motif, QPoint(-3, 2));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool orange = y >= 2 && y < 34 && x >= 13 && x < 29;
            ASSERT_EQ(pattern.pixel(x, y), orange ? 0xffc04020u : B) << x << "," << y;
        }
    // A cursor is no icon: stamped solid. The resource type decides, not the name.
    const QString cursor = test::writeFile(dir + QStringLiteral("/cursor.ico"), test::iconFile({32}, 2));
    EXPECT_EQ(motifKindOf(cursor), MotifKind::Picture);
    EXPECT_EQ(iconResourceType(QByteArray("BM\x01\x00", 4)), 0);
    EXPECT_EQ(iconResourceType(QByteArray("\0\0\1\0", 4)), 1);
    EXPECT_EQ(iconResourceType(QByteArray("\0\0\2\0", 4)), 2);
    EXPECT_EQ(iconResourceType(QByteArray("\0\0\3\0", 4)), 0);
    EXPECT_EQ(iconResourceType(QByteArray("\0\0", 2)), 0);
}

TEST(SameFile, LinksAndDotsNameOneFile) {
    const QString dir = test::freshTempDir(QStringLiteral("same-file"));
    const QString file = test::writeFile(dir + QStringLiteral("/a.bmp"), "x");
    QFile::link(file, dir + QStringLiteral("/link.bmp"));
    QDir(dir).mkdir(QStringLiteral("sub"));
    EXPECT_TRUE(sameFile(file, dir + QStringLiteral("/./sub/../a.bmp")));
    EXPECT_TRUE(sameFile(file, dir + QStringLiteral("/link.bmp")));
    EXPECT_FALSE(sameFile(file, dir + QStringLiteral("/A.bmp")));
    EXPECT_TRUE(sameFile(dir + QStringLiteral("/none.bmp"), dir + QStringLiteral("/x/../none.bmp")));
    EXPECT_FALSE(sameFile(dir + QStringLiteral("/none.bmp"), file));
    EXPECT_FALSE(sameFile(QString(), QString()));
}
