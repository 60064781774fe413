#pragma once

#include <cstdint>

namespace qorn {

// The largest bitmap any reader of ours allocates: the same 128 MB that QImageReader allows,
// counted at four bytes per pixel.
constexpr int64_t kMaxImagePixels = 128ll * 1024 * 1024 / 4;
constexpr int kMaxImageSide = 32767;

inline bool dimensionsAllowed(int64_t width, int64_t height) {
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

} // namespace qorn
