// The readers of outside bytes as the fuzzers drive them: from memory or an open device, reading
// exactly what the file reader reads. Also the inputs the fuzzers found that a reader or writer
// once got wrong, each shown through what the user keeps.
#include "colour/palette.h"
#include "common/error.h"
#include "document/pattern_files.h"
#include "import/import_source.h"
#include "support/sample_images.h"
#include "tools/motif.h"
#include "view/symbol_file.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

using namespace qorn;

namespace {

QByteArray iconBytes() {
    QImage image(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) image.setPixel(x, y, qRgba(x * 8, y * 8, 90, x < 16 ? 0 : 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "ICO"));
    return bytes;
}

} // namespace

TEST(ByteReaders, PaletteFromBytesTakesTheFirst256WholeRecordsAndNoMore) {
    QByteArray bytes;
    for (int i = 0; i < 300; ++i) {
        const uint32_t colour = 0x00010203u * uint32_t(i % 80);
        for (uint32_t v : {uint32_t(i), colour})
            for (int b = 0; b < 4; ++b) bytes.append(char((v >> (8 * b)) & 0xff));
    }
    Palette p;
    p.loadBytes(bytes);
    for (int i = 0; i < Palette::kSize; ++i) EXPECT_EQ(p[i], 0x00010203u * uint32_t(i % 80)) << i;
    // A record cut short is not taken; what follows stays black.
    p.loadBytes(bytes.left(8 * 3 + 7));
    EXPECT_EQ(p[2], 0x00010203u * 2);
    EXPECT_EQ(p[3], 0u);
    EXPECT_EQ(p[255], 0u);
}

TEST(ByteReaders, SymbolFileFromADeviceReadsAsFromItsPath) {
    const QString path = QStringLiteral(QORN_SOURCE_DIR "/data/qorn.sym");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QBuffer buffer;
    buffer.setData(file.readAll());
    buffer.open(QIODevice::ReadOnly);
    const SymbolFileResult fromDevice = readSymbolFile(buffer, 15);
    const SymbolFileResult fromPath = readSymbolFile(path, 15);
    ASSERT_TRUE(fromDevice.ok());
    EXPECT_EQ(fromDevice.table, fromPath.table);
    EXPECT_EQ(fromDevice.table[15].bytes, kBackgroundSymbolBytes);
}

TEST(ByteReaders, IconsFromADeviceListAndDecodeAsFromTheirPath) {
    const QByteArray bytes = iconBytes();
    const QString path = test::writeFile(test::freshTempDir(QStringLiteral("byte-icons")) + QStringLiteral("/a.ico"), bytes);
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const std::vector<IconEntry> listed = ReadIconDirectory(buffer);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].width, 32);
    EXPECT_EQ(listed[0].height, 32);
    buffer.seek(0);
    const QList<QImage> fromDevice = readIconEntries(&buffer, "ico");
    const QList<QImage> fromPath = readIconEntries(path);
    ASSERT_EQ(fromDevice.size(), 1);
    ASSERT_EQ(fromPath.size(), 1);
    EXPECT_EQ(fromDevice[0], fromPath[0]);
    EXPECT_EQ(qAlpha(fromDevice[0].pixel(3, 5)), 0);
    EXPECT_EQ(fromDevice[0].pixel(20, 5), qRgba(160, 40, 90, 255));
}

TEST(SideFileText, PercentSignsInTheExtensionStayTextAndTheNumbersLandInTheirFields) {
    // A side file read from elsewhere may hold such an extension; saving it must not move the
    // gauge into the name.
    const QrdFields f{QStringLiteral("%2x%1"), 20, 30, 15};
    EXPECT_EQ(qrdText(f), QByteArray("\"%2x%1\",20,30,15\r\n"));
    const QrdFields back = readQrdText(qrdText(f));
    EXPECT_EQ(back.ext, f.ext);
    EXPECT_EQ(back.mee, 20);
    EXPECT_EQ(back.dan, 30);
    EXPECT_EQ(back.background, 15);
}
