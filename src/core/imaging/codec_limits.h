#pragma once

#include "common/error.h"

#include <QImage>

#include <cstdint>
#include <cstring>
#include <new>
#include <utility>

namespace qorn {

// The most any reader of ours allocates for one buffer: the same 128 MB that QImageReader
// allows. A bitmap counts four bytes per pixel.
constexpr int64_t kMaxImageBytes = 128ll * 1024 * 1024;
constexpr int64_t kMaxImagePixels = kMaxImageBytes / 4;
constexpr int kMaxImageSide = 32767;

inline bool dimensionsAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

// A refused allocation is our out-of-memory error: std::bad_alloc never leaves a load.
template <typename F>
decltype(auto) guardAllocation(F&& f) {
    try {
        return std::forward<F>(f)();
    } catch (const std::bad_alloc&) {
        throw Error(err::OutOfMemory);
    }
}

// Qt leaves the bytes after a row's last pixel uninitialised and writers copy whole rows, so
// they are zeroed before anything can reach a file.
inline void clearRowPadding(QImage& image) {
    if (image.isNull()) return;
    const qsizetype used = (qsizetype(image.width()) * image.depth() + 7) / 8;
    const qsizetype padding = image.bytesPerLine() - used;
    if (padding <= 0) return;
    for (int y = 0; y < image.height(); ++y) std::memset(image.scanLine(y) + used, 0, static_cast<size_t>(padding));
}

} // namespace qorn
