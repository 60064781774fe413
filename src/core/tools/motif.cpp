#include "motif.h"

#include "imaging/raster_ops.h"

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

QImage motifThumbnail(const QImage& motif, std::optional<ColorRef> background, ColorRef face) {
    const QSize size = motifThumbnailSize(motif.size());
    if (size.isEmpty()) return {};
    QImage source = rgb32(motif);
    if (background) {
        const QRgb from = rgbFromColorRef(*background), to = rgbFromColorRef(face);
        for (int y = 0; y < source.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(source.scanLine(y));
            for (int x = 0; x < source.width(); ++x)
                if ((row[x] | 0xff000000) == from) row[x] = to;
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

QList<QImage> readIconEntries(const QString& path) {
    QList<QImage> entries;
    QImageReader reader(path);
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i)) break;
        QImage image = reader.read();
        if (image.isNull()) break;
        entries.append(image);
    }
    return entries;
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
