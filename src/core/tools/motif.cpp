#include "motif.h"

#include "common/error.h"
#include "document/pattern_files.h"
#include "imaging/raster.h"
#include "imaging/raster_ops.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qorn {

namespace {

QImage rgb32(const QImage& image) {
    return image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
}

int roundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

} // namespace

bool motifTooLarge(QSize motif, QSize pattern) {
    return motif.width() > pattern.width() || motif.height() > pattern.height();
}

QSize motifThumbnailSize(QSize motif) {
    if (motif.isEmpty()) return {};
    int w = kMotifThumbnailSide, h = kMotifThumbnailSide;
    if (motif.width() < motif.height())
        w = roundEven(double(motif.width()) / motif.height() * kMotifThumbnailSide);
    else
        h = roundEven(double(motif.height()) / motif.width() * kMotifThumbnailSide);
    return {std::max(1, w), std::max(1, h)};
}

QImage motifThumbnail(const PreparedMotif& motif, ColorRef face) {
    const QSize size = motifThumbnailSize(motif.size());
    if (size.isEmpty()) return {};
    QImage source = motif.picture.copy();
    if (motif.masked()) {
        const QRgb shown = rgbFromColorRef(face);
        for (int y = 0; y < source.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(source.scanLine(y));
            const auto* mask = reinterpret_cast<const QRgb*>(motif.mask.constScanLine(y));
            for (int x = 0; x < source.width(); ++x)
                if ((mask[x] & 0xffffff) == 0xffffff) row[x] = shown;
        }
    }
    QImage thumb(size, QImage::Format_RGB32);
    gdi::stretchBlt(thumb, QRect(QPoint(0, 0), size), source);
    return thumb;
}

PreparedMotif maskedByColour(const QImage& motif, ColorRef background) {
    PreparedMotif out;
    out.picture = rgb32(motif).copy();
    out.mask = QImage(out.picture.size(), QImage::Format_RGB32);
    const QRgb bg = rgbFromColorRef(background);
    for (int y = 0; y < out.picture.height(); ++y) {
        auto* pic = reinterpret_cast<QRgb*>(out.picture.scanLine(y));
        auto* mask = reinterpret_cast<QRgb*>(out.mask.scanLine(y));
        for (int x = 0; x < out.picture.width(); ++x) {
            const bool isBackground = (pic[x] | 0xff000000) == bg;
            mask[x] = isBackground ? 0xffffffff : 0xff000000;
            if (isBackground) pic[x] = 0xff000000;
        }
    }
    return out;
}

PreparedMotif maskedByAlpha(const QImage& icon) {
    PreparedMotif out;
    const QSize side(kMotifIconSide, kMotifIconSide);
    const QImage argb = (icon.size() == side ? icon : icon.scaled(side, Qt::IgnoreAspectRatio, Qt::FastTransformation))
                            .convertToFormat(QImage::Format_ARGB32);
    out.picture = QImage(side, QImage::Format_RGB32);
    out.mask = QImage(side, QImage::Format_RGB32);
    for (int y = 0; y < side.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        auto* pic = reinterpret_cast<QRgb*>(out.picture.scanLine(y));
        auto* mask = reinterpret_cast<QRgb*>(out.mask.scanLine(y));
        for (int x = 0; x < side.width(); ++x) {
            const bool transparent = qAlpha(in[x]) < 128;
            mask[x] = transparent ? 0xffffffff : 0xff000000;
            pic[x] = transparent ? 0xff000000 : (in[x] | 0xff000000);
        }
    }
    return out;
}

PreparedMotif solidMotif(const QImage& motif) {
    PreparedMotif out;
    out.picture = rgb32(motif).copy();
    return out;
}

QImage iconEntry32(const QList<QImage>& entries) {
    const QImage* best = nullptr;
    for (const QImage& e : entries) {
        if (e.isNull()) continue;
        if (e.width() == kMotifIconSide && e.height() == kMotifIconSide) return e;
        const auto distance = [](const QImage& i) {
            return std::abs(i.width() - kMotifIconSide) + std::abs(i.height() - kMotifIconSide);
        };
        if (!best || distance(e) < distance(*best)) best = &e;
    }
    if (!best) return {};
    return best->scaled(kMotifIconSide, kMotifIconSide, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

namespace {

QList<QImage> readEntries(QImageReader& reader) {
    QList<QImage> entries;
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        QImage image = reader.read();
        if (image.isNull()) break;
        entries.append(image);
    }
    return entries;
}

} // namespace

QList<QImage> readIconEntries(const QString& path) {
    QImageReader reader(path);
    return readEntries(reader);
}

QList<QImage> readIconEntries(QIODevice* device, const QByteArray& format) {
    QImageReader reader(device, format);
    return readEntries(reader);
}

int iconResourceType(const QByteArray& head) {
    if (head.startsWith('B') || head.size() < 4) return 0;
    const int type = uchar(head[2]) | (uchar(head[3]) << 8);
    return type == 1 || type == 2 ? type : 0;
}

MotifKind motifKindOf(const QString& path) {
    const QString ext = SplitPath(path).ext.toUpper();
    if (ext == QLatin1String("QRD")) return MotifKind::Pattern;
    if (ext == QLatin1String("ICO")) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && iconResourceType(file.read(4)) == 1) return MotifKind::Icon;
    }
    return MotifKind::Picture;
}

namespace {

QImage onPalette(const QImage& image, const Palette& palette) {
    Raster work;
    work.setImage(image);
    snapToPalette(work, palette);
    return work.image().convertToFormat(QImage::Format_RGB32);
}

} // namespace

LoadedMotif loadMotif(const QString& path, const Palette& palette) {
    LoadedMotif out;
    out.kind = motifKindOf(path);
    out.image = path;
    if (!QFileInfo(path).isFile()) throw Error(err::FileNotFoundOs);
    switch (out.kind) {
    case MotifKind::Pattern: {
        const SideFileImage side = readSideFileImage(path, path);
        out.image = side.file;
        Raster work;
        work.load(side.file, 24);
        out.motif = maskedByColour(onPalette(work.image(), palette), palette[side.fields.background]);
        break;
    }
    case MotifKind::Icon: {
        const QImage icon = iconEntry32(readIconEntries(path));
        if (icon.isNull()) throw Error(err::Damaged);
        out.motif = maskedByAlpha(icon);
        // Transparent stitches are black in the picture, and black is on the palette.
        out.motif.picture = onPalette(out.motif.picture, palette);
        break;
    }
    case MotifKind::Picture: {
        Raster work;
        work.load(path, 24);
        out.motif = solidMotif(onPalette(work.image(), palette));
        break;
    }
    }
    return out;
}

void stampMotif(QImage& pattern, const PreparedMotif& motif, QPoint at) {
    const int W = pattern.width(), H = pattern.height();
    const int w = W >= at.x() + motif.size().width() ? motif.size().width() : W - at.x();
    const int h = H >= at.y() + motif.size().height() ? motif.size().height() : H - at.y();
    if (w <= 0 || h <= 0) return;
    if (motif.masked()) {
        gdi::bitBlt(pattern, at.x(), at.y(), w, h, motif.mask, 0, 0, gdi::Rop::SrcAnd);
        gdi::bitBlt(pattern, at.x(), at.y(), w, h, motif.picture, 0, 0, gdi::Rop::SrcInvert);
    } else {
        gdi::bitBlt(pattern, at.x(), at.y(), w, h, motif.picture, 0, 0, gdi::Rop::SrcCopy);
    }
}

} // namespace qorn
