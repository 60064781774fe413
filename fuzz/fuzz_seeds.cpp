// Writes starting inputs for the fuzzers into ROOT/<target>/: small pictures in every depth our
// writers make, small cuts of the files built to make a reader over-allocate, and well-formed
// side, symbol, palette, icon and snapshot files.
// Usage: fuzz_seeds ROOT
#include "colour/palette.h"
#include "common/cp932.h"
#include "document/pattern_files.h"
#include "imaging/pcx.h"
#include "imaging/pict.h"
#include "imaging/raster.h"
#include "support/hostile_images.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QString>

#include <vector>

namespace {

QString root;

void save(const char* target, const QString& name, const QByteArray& bytes) {
    const QString dir = root + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(dir);
    QFile f(dir + QLatin1Char('/') + name);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

void put16(QByteArray& b, int v) {
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}
void put32(QByteArray& b, uint32_t v) {
    put16(b, int(v & 0xffff));
    put16(b, int(v >> 16));
}

// An icon file of the given images, each stored as 32-bit colour with a mask, or as PNG.
QByteArray iconFile(const std::vector<QImage>& images, bool png, int type = 1) {
    QByteArray out;
    put16(out, 0);
    put16(out, type);
    put16(out, int(images.size()));
    std::vector<QByteArray> bodies;
    for (const QImage& image : images) {
        QByteArray body;
        const int w = image.width(), h = image.height();
        if (png) {
            QBuffer buffer(&body);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        } else {
            put32(body, 40);
            put32(body, uint32_t(w));
            put32(body, uint32_t(2 * h));
            put16(body, 1);
            put16(body, 32);
            for (int i = 0; i < 6; ++i) put32(body, 0);
            for (int y = h - 1; y >= 0; --y)
                for (int x = 0; x < w; ++x) put32(body, image.pixel(x, y));
            body.append(QByteArray(((w + 31) / 32) * 4 * h, '\0'));
        }
        bodies.push_back(body);
    }
    int offset = 6 + 16 * int(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.append(char(images[i].width() & 0xff));
        out.append(char(images[i].height() & 0xff));
        out.append(char(0));
        out.append(char(0));
        put16(out, 1);
        put16(out, 32);
        put32(out, uint32_t(bodies[i].size()));
        put32(out, uint32_t(offset));
        offset += int(bodies[i].size());
    }
    for (const QByteArray& b : bodies) out.append(b);
    return out;
}

QImage argb(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgba(x * 8, y * 8, 128, x < w / 2 ? 0 : 255));
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    root = QString::fromLocal8Bit(argv[1]);
    int n = 0;
    for (int w : {1, 3, 8, 13}) {
        for (int h : {1, 4}) {
            QImage indexed(w, h, QImage::Format_Indexed8);
            QVector<QRgb> table;
            for (int i = 0; i < 256; ++i) table << qRgb(i, 255 - i, (i * 5) & 255);
            indexed.setColorTable(table);
            QImage rgb(w, h, QImage::Format_RGB32);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    indexed.setPixel(x, y, uint((x / 2 + y) % 7));
                    rgb.setPixel(x, y, qRgb(x * 20, y * 60, (x + y) % 2 ? 255 : 0));
                }
            for (const QImage& img : {indexed, rgb}) {
                ++n;
                save("pcx", QStringLiteral("seed%1.pcx").arg(n), qorn::pcx::write(img));
                save("pict", QStringLiteral("seed%1.pct").arg(n), qorn::pict::write(img));
                qorn::Raster r;
                r.setImage(img);
                save("undo", QStringLiteral("seed%1.bmp").arg(n), r.saveToMemory());
            }
        }
    }
    // Kept under the fuzzers' 16 KB input limit.
    save("pcx", QStringLiteral("wide-lines-short.pcx"), qorn::test::pcxWithWideScanLines(12000, false));
    save("pcx", QStringLiteral("wide-lines-whole.pcx"), qorn::test::pcxWithWideScanLines(12000, true));
    save("pict", QStringLiteral("many-bands.pct"), qorn::test::pictWithManyBands(12, 4, true));
    save("pict", QStringLiteral("many-bands-unended.pct"), qorn::test::pictWithManyBands(4, 4, false));

    // Snapshots in the depths Qt writes, and one that claims more than it holds.
    const QImage sample = argb(9, 5);
    for (QImage::Format f : {QImage::Format_Mono, QImage::Format_Indexed8, QImage::Format_RGB888,
                             QImage::Format_RGB32}) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        sample.convertToFormat(f).save(&buffer, "BMP");
        save("undo", QStringLiteral("depth%1.bmp").arg(int(f)), bytes);
    }
    save("undo", QStringLiteral("claims-more.bmp"), qorn::test::bmpHeaderClaiming(40, 40));

    // Side files as a save writes them, and as other writers might.
    save("qrd", QStringLiteral("saved.qrd"), qorn::qrdText({QStringLiteral("bmp"), 20, 20, 15}));
    save("qrd", QStringLiteral("pict.qrd"), qorn::qrdText({QStringLiteral("PCT"), 12, 34, 255}));
    save("qrd", QStringLiteral("loose.qrd"), QByteArray(" tif , 1.5e1,\t-3\n\"7\"\r\n"));
    save("qrd", QStringLiteral("short.qrd"), QByteArray("\"pcx\",20"));
    save("list_input", QStringLiteral("fields"), QByteArray("\x0e\"bmp\",20,20,15\r\n"));
    save("list_input", QStringLiteral("mixed"), QByteArray("\xa5 a b ,\"c,d\" x, 32767.5,-1e2\r\n\n,,\"open"));

    // The shipped symbol file, and one with a field too long.
    QFile shipped(QStringLiteral(QORN_SOURCE_DIR "/data/qorn.sym"));
    QByteArray symbols;
    if (shipped.open(QIODevice::ReadOnly)) symbols = shipped.readAll();
    if (symbols.isEmpty()) {
        QString text;
        for (int i = 0; i < 256; ++i) text += QChar(0x4E00 + i);
        symbols = "\"" + qorn::encodeCp932(text).value_or(QByteArray()) + "\"\r\n";
    }
    save("symbol", QStringLiteral("shipped.sym"), symbols);
    save("symbol", QStringLiteral("plain.sym"), symbols.mid(1).replace('"', ','));
    save("symbol", QStringLiteral("long.sym"), symbols.left(symbols.size() - 3) + "\x81\x40\"");

    QFile palette(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
    if (palette.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = palette.readAll();
        save("palette", QStringLiteral("defpal.dat"), bytes);
        save("palette", QStringLiteral("short.dat"), bytes.left(8 * 17 + 3));
    }

    // Icons: several sizes, 256 written as 0, PNG entries, a cursor and a bitmap.
    const QByteArray icons = iconFile({argb(16, 16), argb(32, 32), argb(48, 48)}, false);
    const QByteArray pngIcons = iconFile({argb(16, 16), argb(40, 24)}, true);
    const QByteArray cursor = iconFile({argb(24, 24)}, false, 2);
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        argb(7, 5).save(&buffer, "BMP");
    }
    for (const char* target : {"icon_dir", "motif_icon"}) {
        save(target, QStringLiteral("three.ico"), icons);
        save(target, QStringLiteral("png.ico"), pngIcons);
        save(target, QStringLiteral("cursor.cur"), cursor);
        save(target, QStringLiteral("bitmap.bmp"), bmp);
    }
    save("icon_dir", QStringLiteral("big.ico"), iconFile({argb(256, 4)}, true));
    return 0;
}
