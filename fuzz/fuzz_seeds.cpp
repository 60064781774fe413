// Writes starting inputs for the fuzzers: small pictures in every depth our writers make, and
// small cuts of the files built to make a reader over-allocate.
// Usage: fuzz_seeds PCX_DIR PICT_DIR
#include "imaging/pcx.h"
#include "imaging/pict.h"
#include "support/hostile_images.h"

#include <QFile>
#include <QImage>
#include <QString>

static void save(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}

int main(int argc, char** argv) {
    if (argc != 3) return 2;
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
                save(QString::fromLocal8Bit(argv[1]) + QStringLiteral("/seed%1.pcx").arg(n), qorn::pcx::write(img));
                save(QString::fromLocal8Bit(argv[2]) + QStringLiteral("/seed%1.pct").arg(n), qorn::pict::write(img));
            }
        }
    }
    // Kept under the fuzzers' 16 KB input limit.
    const QString pcxDir = QString::fromLocal8Bit(argv[1]), pictDir = QString::fromLocal8Bit(argv[2]);
    save(pcxDir + QStringLiteral("/wide-lines-short.pcx"), qorn::test::pcxWithWideScanLines(12000, false));
    save(pcxDir + QStringLiteral("/wide-lines-whole.pcx"), qorn::test::pcxWithWideScanLines(12000, true));
    save(pictDir + QStringLiteral("/many-bands.pct"), qorn::test::pictWithManyBands(12, 4, true));
    save(pictDir + QStringLiteral("/many-bands-unended.pct"), qorn::test::pictWithManyBands(4, 4, false));
    return 0;
}
