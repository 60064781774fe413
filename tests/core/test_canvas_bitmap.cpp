#include "common/error.h"
#include "common/file_write.h"
#include "support/sample_images.h"
#include "view/canvas_bitmap.h"

#include <QBuffer>
#include <QDir>
#include <QImageWriter>

#include <gtest/gtest.h>

using namespace qorn;
using qorn::test::errorOf;
using qorn::test::readFile;

namespace {

// The whole canvas rendered into one image and written by Qt's BMP writer.
QByteArray wholeCanvasBmp(CanvasRenderer& renderer, const QImage& pattern, const CanvasGeometry& g, GridChoice grid) {
    QImage canvas(g.pixelWidth(), g.pixelHeight(), QImage::Format_RGB32);
    renderer.render(pattern, g, grid, canvas.rect(), canvas);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(QImageWriter(&buffer, "bmp").write(canvas));
    return bytes;
}

class CanvasBitmap : public ::testing::Test {
protected:
    QString dir = test::freshTempDir(QStringLiteral("canvas-bitmap"));
    QString path = dir + QStringLiteral("/screen.bmp");
    CanvasRenderer renderer;
};

} // namespace

TEST_F(CanvasBitmap, SameBytesAsTheWholeCanvasImage) {
    struct Case {
        int W, H, zoom;
        float asp2;
        GridChoice grid;
    };
    // Pixel widths 3, 10, 21 and 8 leave 3, 2, 1 and 0 bytes of row padding.
    for (const Case& c : {Case{3, 4, 1, 1.0f, GridNone}, Case{5, 7, 2, 2.0f, GridOne}, Case{7, 6, 3, 0.37f, GridFive},
                          Case{4, 9, 2, 1.5f, GridOne}, Case{13, 3, 11, 2.0f, GridOne}}) {
        const QImage pattern = test::photoLikeImage(c.W, c.H, static_cast<uint32_t>(c.W * 31 + c.H));
        const CanvasGeometry g{c.W, c.H, c.zoom, c.asp2};
        saveCanvasBitmap(path, renderer, pattern, g, c.grid);
        EXPECT_EQ(readFile(path), wholeCanvasBmp(renderer, pattern, g, c.grid)) << c.W << "x" << c.H << " " << c.zoom;
    }
}

// Large enough for several bands, the last one partial; the overlay must land where it would on
// the whole canvas, and a pattern in another format is drawn the same.
TEST_F(CanvasBitmap, BandsJoinIntoTheWholeCanvas) {
    const QImage pattern = test::photoLikeImage(150, 100, 5).convertToFormat(QImage::Format_RGB888);
    const CanvasGeometry g{150, 100, 11, 2.0f};
    renderer.overlay = [](QImage& target, QPoint origin, const QRect& rect) {
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); x += 7 + y % 3)
                target.setPixel(origin + QPoint(x, y) - rect.topLeft(), 0xff000000 | unsigned(y));
    };
    saveCanvasBitmap(path, renderer, pattern, g, GridFive);
    EXPECT_TRUE(readFile(path) == wholeCanvasBmp(renderer, pattern, g, GridFive));
}

TEST_F(CanvasBitmap, FailuresLeaveTheOldFile) {
    test::writeFile(path, "the old picture");
    const QImage pattern = test::photoLikeImage(150, 100, 5);
    const CanvasGeometry g{150, 100, 11, 2.0f};
    auto save = [&](const QString& to, const CanvasGeometry& geometry) {
        return errorOf([&] { saveCanvasBitmap(to, renderer, pattern, geometry, GridOne); });
    };
    EXPECT_EQ(save(dir + QStringLiteral("/none/x.bmp"), g), err::BadFileName);
    QDir().mkpath(dir + QStringLiteral("/folder.bmp"));
    EXPECT_EQ(save(dir + QStringLiteral("/folder.bmp"), g), err::PathFileAccess);
    // Too large for the header's 32-bit size: refused before anything is written.
    EXPECT_EQ(save(path, {30000, 4000, 11, 2.0f}), err::WriteFailure);
    // Rendering fails once part of the file is written.
    int bands = 0;
    renderer.overlay = [&](QImage&, QPoint, const QRect&) {
        if (++bands == 2) throw Error(err::OutOfMemory);
    };
    EXPECT_EQ(save(path, g), err::OutOfMemory);
    EXPECT_EQ(bands, 2);

    EXPECT_EQ(readFile(path), QByteArray("the old picture"));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("screen.bmp")}); // no temporary left
}

TEST(FileWrite, StreamedWriteThatFallsShortKeepsTheOldFile) {
    const QString dir = test::freshTempDir(QStringLiteral("file-write"));
    const QString path = test::writeFile(dir + QStringLiteral("/a.bin"), "old");
    auto write = [&](bool finish) {
        return errorOf([&] {
            writeFileAtomically(path, 5, [&](QIODevice& out) { return out.write("new") == 3 && finish; }, 99);
        });
    };
    EXPECT_EQ(write(false), 99);
    EXPECT_EQ(readFile(path), QByteArray("old"));
    EXPECT_EQ(write(true), 0);
    EXPECT_EQ(readFile(path), QByteArray("new"));
}
