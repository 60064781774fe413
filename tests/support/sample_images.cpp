#include "sample_images.h"

#include "common/error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>
#include <random>

namespace qorn::test {

QImage allIndicesImage(int width, int height) {
    QImage image(width, height, QImage::Format_Indexed8);
    QVector<QRgb> table(256);
    for (int i = 0; i < 256; ++i) table[i] = qRgb(i, (i * 7) & 0xff, 255 - i);
    image.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.scanLine(y)[x] = static_cast<uchar>((x + y * width) & 0xff);
    return image;
}

QImage photoLikeImage(int width, int height, uint32_t seed) {
    QImage image(width, height, QImage::Format_RGB32);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-12, 12);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int r = (x * 255 / std::max(1, width - 1) + noise(rng));
            const int g = ((y % 512) * 255 / 511 + noise(rng));
            const int b = (((x + y) * 3) % 256 + noise(rng));
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

namespace {

// One root per test process, removed when it ends: ctest runs the tests of one fixture in
// parallel processes, and two suites may run at once. A death test's child is the same
// program started again and ends without cleaning up, so it works inside its parent's root.
QString testRoot() {
    static const char* const kVariable = "QORN_TEST_ROOT";
    static std::unique_ptr<QTemporaryDir> owned;
    if (!qEnvironmentVariableIsSet(kVariable)) {
        owned = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("qorn-test-XXXXXX")));
        qputenv(kVariable, QFile::encodeName(owned->path()));
    }
    return qEnvironmentVariable(kVariable);
}

} // namespace

QString freshTempDir(const QString& name) {
    const QString path = testRoot() + QLatin1Char('/') + name;
    QDir(path).removeRecursively();
    QDir().mkpath(path);
    return path;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
    return path;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

void put16(QByteArray& b, int v) {
    b.append(char(v & 0xff));
    b.append(char((v >> 8) & 0xff));
}
void put32(QByteArray& b, uint32_t v) {
    put16(b, int(v & 0xffff));
    put16(b, int(v >> 16));
}

QByteArray iconFile(const std::vector<int>& sizes, int type) {
    QByteArray out;
    put16(out, 0);
    put16(out, type);
    put16(out, int(sizes.size()));
    std::vector<QByteArray> images;
    for (int s : sizes) {
        QByteArray img;
        put32(img, 40);
        put32(img, uint32_t(s));
        put32(img, uint32_t(2 * s)); // colour and mask
        put16(img, 1);
        put16(img, 32);
        for (int i = 0; i < 6; ++i) put32(img, 0);
        for (int y = 0; y < s; ++y)
            for (int x = 0; x < s; ++x) {
                const bool transparent = x < s / 2;
                img.append(char(0x20));       // blue
                img.append(char(0x40));       // green
                img.append(char(0xC0));       // red
                img.append(char(transparent ? 0 : 0xff));
            }
        const int maskRow = ((s + 31) / 32) * 4;
        img.append(QByteArray(maskRow * s, '\0'));
        images.push_back(img);
    }
    int offset = 6 + 16 * int(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        out.append(char(sizes[i]));
        out.append(char(sizes[i]));
        out.append(char(0)); // colour count 0: 256 or more
        out.append(char(0));
        put16(out, 1);
        put16(out, 32);
        put32(out, uint32_t(images[i].size()));
        put32(out, uint32_t(offset));
        offset += int(images[i].size());
    }
    for (const QByteArray& img : images) out.append(img);
    return out;
}


bool samePixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xFFFFFF) != (b.pixel(x, y) & 0xFFFFFF)) return false;
    return true;
}

} // namespace qorn::test
