#pragma once

#include "colorref.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <array>

namespace qorn {

// Format codes of the image files the program writes.
enum FormatCode : int { FormatPcx = 1, FormatTif = 3, FormatBmp = 6, FormatPict = 56 };

// Palette modes of a colour-resolution change.
enum PaletteMode : int {
    PaletteOptimized = 2, // at most `count` colours chosen for the image
    PaletteFixedRgb = 4,  // back to plain 24-bit RGB
    PaletteUser = 16,     // every pixel to the nearest user-palette colour
};

// One bitmap: 24 bits per pixel (held as QImage::Format_RGB32) or 8 bits per pixel with a
// palette of exactly 256 entries (Format_Indexed8). Every failure throws qorn::Error with the
// imaging error numbers; nothing is ever reported as done that was not done.
class Raster {
public:
    Raster() = default;

    bool isNull() const { return img_.isNull(); }
    void release() { img_ = QImage(); }

    int width() const { return img_.width(); }
    int height() const { return img_.height(); }
    int bitsPerPixel() const;

    void create(int width, int height, int bitsPerPixel);
    void fill(ColorRef colour);

    // bitsPerPixel 24 converts to 24 bits, 0 keeps what the file holds (8 or 24).
    void load(const QString& path, int bitsPerPixel);
    // bitsPerPixel 0 saves as held. Written atomically: a failure leaves an existing file intact.
    void save(const QString& path, int formatCode, int bitsPerPixel = 0) const;

    // BMP bytes; the undo snapshot lives in this form.
    QByteArray saveToMemory() const;
    void loadFromMemory(const QByteArray& bmp);

    // Keeps only the given rectangle, clipped to the bitmap.
    void crop(int left, int top, int width, int height);
    // Smooth (area-averaging when shrinking) resampling to 24 bits.
    void resize(int width, int height);

    void colorRes(int bitsPerPixel, int paletteMode, int dither, int count);

    void setUserPalette(int index, ColorRef colour);
    ColorRef userPalette(int index) const { return userPalette_.at(static_cast<size_t>(index)); }
    ColorRef bitmapPalette(int index) const;
    void setBitmapPalette(int index, ColorRef colour);

    int colorCount() const;

    void invert();
    void flip();   // top to bottom
    void mirror(); // left to right
    void grayScale(int bitsPerPixel = 8);

    ColorRef pixel(int x, int y) const;
    void setPixel(int x, int y, ColorRef colour);

    const QImage& image() const { return img_; }
    // The pixels for drawing into, as 32-bit RGB (an 8-bit bitmap is converted first).
    QImage& pixels();
    // Takes any image; normalises it to one of the two held layouts.
    void setImage(const QImage& image);

private:
    QImage img_;
    std::array<ColorRef, 256> userPalette_{};
};

// Brings an image into one of the two layouts Raster holds: RGB32, or Indexed8 with 256 entries.
QImage normalizedImage(const QImage& image, bool keepIndexed);

} // namespace qorn
