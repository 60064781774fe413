#pragma once

#include "imaging/colorref.h"
#include "imaging/raster.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

class QIODevice;

namespace qorn {

class Palette;

// One image of an icon or cursor file as its directory lists it; colours 256 when the file
// gives 0, -1 for a plain bitmap.
struct IconEntry {
    int width = 0;
    int height = 0;
    int colours = 0;
};
// The directory of an icon or cursor file, or the one entry of a bitmap. Damaged: 20009.
std::vector<IconEntry> ReadIconDirectory(const QString& path);
// The same from an open device, read from where it stands.
std::vector<IconEntry> ReadIconDirectory(QIODevice& device);

// The colour depth asked of the picture loader for an icon image.
enum class IconDepth { Default, Colours256, Colours16, Monochrome };
IconDepth IconColorDepth(int colours);

// A picture on its way to becoming a pattern. Pictures that Qt reads stay in their file and
// are read again at the size finally needed, so a 24-megapixel photograph is never decoded
// whole; icons, GIFs and our own formats are held in memory. Transparent pixels take the
// background colour. Every failure throws Error with the imaging numbers.
class ImportSource {
public:
    void open(const QString& path, ColorRef background);

    QSize size() const { return clip_.size(); }     // the picture, as cut so far
    QSize fullSize() const { return full_; }
    QRect clip() const { return clip_; }
    bool isIcon() const { return !icons_.empty() && icons_.front().colours >= 0; }
    const std::vector<IconEntry>& iconEntries() const { return icons_; }
    void selectIcon(int index);

    // The picture scaled to fit `box`, aspect kept.
    QImage preview(const QSize& box);
    // Cuts out a rectangle given in picture pixels of the current cut; clipped to it.
    void cut(const QRect& rect);

    // The current cut, scaled down to at most `maxWidth` stitches (never enlarged): 24 bits.
    Raster read(int maxWidth);

private:
    QImage readRegion(const QSize& scaled);
    QImage flatten(const QImage& image) const;

    QString path_;
    ColorRef background_ = 0xFFFFFF;
    QSize full_;
    QRect clip_;
    QImage held_; // the whole picture, for the kinds read whole
    std::vector<IconEntry> icons_;
};

// ImportPattern's conversion: width limit, colour reduction to `colours` (dithered or not),
// then the palette.
struct ImportChoices {
    int maxWidth = 200;
    int colours = 256;
    bool dither = true;
};
Raster prepareImport(ImportSource& source, const ImportChoices& choices, const Palette& palette);

// The colour reduction of an import or a paste: at most `colours` palette colours chosen for
// the picture and every stitch drawn from them (error diffusion when `dither`), in one step, see
// quantizeToPalette. The work bitmap ends 8 bits per pixel, indexing the palette, which is also
// its user palette.
void reduceToPalette(Raster& work, const Palette& palette, int colours, bool dither);

} // namespace qorn
