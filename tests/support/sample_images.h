#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace qorn::test {

// An 8-bit image whose 256 palette entries are all different and all used, in index order.
QImage allIndicesImage(int width, int height);
// A 24-bit image of smooth gradients with noise, like a downscaled photograph.
QImage photoLikeImage(int width, int height, uint32_t seed = 1);
// A temporary folder for one test, made anew inside a folder of the running process alone.
QString freshTempDir(const QString& name);
// Writes bytes to a file; returns its path.
QString writeFile(const QString& path, const QByteArray& bytes);
// A file's bytes; empty when it cannot be read.
QByteArray readFile(const QString& path);
// Little-endian fields, as the image formats store them.
void put16(QByteArray& b, int v);
void put32(QByteArray& b, uint32_t v);
// An icon file of 32-bit images of the given sides, each with a transparent left half and an
// opaque orange (0xC04020) right half; type 2 makes it a cursor.
QByteArray iconFile(const std::vector<int>& sizes, int type = 1);
// Equal sizes and equal colours at every pixel, whatever the alpha bytes say.
bool samePixels(const QImage& a, const QImage& b);
// The number of the qorn::Error that `f` throws, 0 when it throws none.
int errorOf(const std::function<void()>& f);

} // namespace qorn::test
