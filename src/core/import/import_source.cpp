#include "import_source.h"

#include "colour/palette.h"
#include "common/error.h"
#include "common/vbround.h"
#include "imaging/codec_limits.h"
#include "imaging/image_integrity.h"
#include "imaging/quantize.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace qorn {
namespace {

uint16_t le16(const uchar* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
int32_t le32(const uchar* p) { return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24)); }

int readerError(const QImageReader& reader, const QSize& full) {
    if (full.isValid() && !dimensionsAllowed(full.width(), full.height())) return err::OutOfMemory;
    switch (reader.error()) {
    case QImageReader::FileNotFoundError: return err::FileNotFound;
    case QImageReader::UnsupportedFormatError: return err::Unsupported;
    default: return err::Damaged;
    }
}

// Reads the whole picture; one larger than the cap is refused before the plugin allocates it.
QImage readWhole(QImageReader& reader) {
    const QSize size = reader.size();
    if (size.isValid() && !dimensionsAllowed(size.width(), size.height())) throw Error(err::OutOfMemory);
    QImage image;
    if (!reader.read(&image)) throw Error(readerError(reader, size));
    return image;
}

QImage checked(const QImage& image) {
    if (image.isNull()) throw Error(err::OutOfMemory);
    return image;
}

// Formats that Qt can read again at a smaller size; the rest are read whole once.
bool readAgainByQt(const QByteArray& format) {
    return format == "jpeg" || format == "jpg" || format == "png" || format == "bmp" || format == "tiff" ||
           format == "webp" || format == "tga" || format == "ppm" || format == "pgm" || format == "pbm";
}

} // namespace

std::vector<IconEntry> ReadIconDirectory(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw Error(err::FileNotFound);
    return ReadIconDirectory(file);
}

std::vector<IconEntry> ReadIconDirectory(QIODevice& device) {
    const QByteArray head = device.read(6 + 16 * 256);
    const auto* p = reinterpret_cast<const uchar*>(head.constData());
    std::vector<IconEntry> out;
    if (head.size() >= 26 && p[0] == 'B') {
        out.push_back({le32(p + 18), le32(p + 22), -1});
        return out;
    }
    if (head.size() < 6) throw Error(err::Damaged);
    const int count = le16(p + 4);
    if (count == 0 || head.size() < 6 + 16 * count) throw Error(err::Damaged);
    for (int i = 0; i < count; ++i) {
        const uchar* e = p + 6 + 16 * i;
        // A side of 256 pixels does not fit the byte and is written as 0.
        out.push_back({e[0] == 0 ? 256 : e[0], e[1] == 0 ? 256 : e[1], e[2] == 0 ? 256 : e[2]});
    }
    return out;
}

IconDepth IconColorDepth(int colours) {
    switch (colours) {
    case 256: return IconDepth::Colours256;
    case 16: return IconDepth::Colours16;
    case 2: return IconDepth::Monochrome;
    default: return IconDepth::Default;
    }
}

QImage ImportSource::flatten(const QImage& image) const {
    if (!image.hasAlphaChannel()) return checked(image.convertToFormat(QImage::Format_RGB32));
    QImage out(image.size(), QImage::Format_RGB32);
    if (out.isNull()) throw Error(err::OutOfMemory);
    out.fill(rgbFromColorRef(background_));
    QPainter p(&out);
    p.drawImage(0, 0, image);
    return out;
}

void ImportSource::open(const QString& path, ColorRef background) {
    guardAllocation([&] {
        path_ = path;
        background_ = background;
        held_ = QImage();
        icons_.clear();
        if (!QFileInfo::exists(path)) throw Error(err::FileNotFound);
        if (QFileInfo(path).isDir()) throw Error(err::Unsupported);

        QImageReader reader(path);
        const QByteArray format = reader.format();
        // Qt would fill what a short file lacks with stale memory. Content Qt does not know goes
        // through Raster::load, which judges it itself.
        if (!format.isEmpty()) checkComplete(path);
        const QString suffix = QFileInfo(path).suffix().toUpper();
        if (format == "ico" || format == "cur" || suffix == QLatin1String("ICO") || suffix == QLatin1String("CUR")) {
            icons_ = ReadIconDirectory(path);
            selectIcon(0);
            return;
        }
        if (!format.isEmpty() && readAgainByQt(format)) {
            full_ = reader.size();
            if (!full_.isValid()) {
                QImage probe;
                if (!reader.read(&probe)) throw Error(readerError(reader, full_));
                held_ = flatten(probe);
                full_ = held_.size();
            }
            clip_ = QRect(QPoint(0, 0), full_);
            return;
        }
        // GIF, our own formats and anything else: read whole.
        Raster whole;
        if (format == "gif") {
            whole.setImage(flatten(readWhole(reader)));
        } else {
            whole.load(path, 24);
        }
        held_ = checked(whole.image().convertToFormat(QImage::Format_RGB32));
        full_ = held_.size();
        clip_ = QRect(QPoint(0, 0), full_);
    });
}

void ImportSource::selectIcon(int index) {
    guardAllocation([&] {
        QImageReader reader(path_);
        if (index > 0 && !reader.jumpToImage(index)) throw Error(err::Damaged);
        held_ = flatten(readWhole(reader));
        full_ = held_.size();
        clip_ = QRect(QPoint(0, 0), full_);
    });
}

QImage ImportSource::readRegion(const QSize& scaled) {
    if (!held_.isNull()) {
        const QImage part = checked(held_.copy(clip_));
        if (scaled == clip_.size()) return part;
        return checked(part.scaled(scaled, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    QImageReader reader(path_);
    reader.setAutoTransform(false);
    if (clip_ != QRect(QPoint(0, 0), full_)) reader.setClipRect(clip_);
    if (scaled != clip_.size()) reader.setScaledSize(scaled);
    QImage image;
    if (!reader.read(&image)) throw Error(readerError(reader, full_));
    return flatten(image);
}

QImage ImportSource::preview(const QSize& box) {
    const QSize fit = clip_.size().scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return guardAllocation([&] { return readRegion(fit.width() < clip_.width() ? fit : clip_.size()); });
}

void ImportSource::cut(const QRect& rect) {
    const QRect inside = rect.translated(clip_.topLeft()).intersected(clip_);
    if (!inside.isEmpty()) clip_ = inside;
}

Raster ImportSource::read(int maxWidth) {
    const int w = clip_.width(), h = clip_.height();
    const float f = static_cast<float>(maxWidth) / static_cast<float>(w);
    QSize target = clip_.size();
    if (f < 1.0f) target = QSize(maxWidth, std::max(1, roundToInt(f * static_cast<float>(h))));
    // Decoders shrink fastest by whole factors; reading at twice the size and averaging down
    // keeps the quality of a full decode.
    const QSize decode = target == clip_.size() ? target : (target * 2).boundedTo(clip_.size());
    return guardAllocation([&] {
        Raster out;
        out.setImage(readRegion(decode));
        if (out.width() != target.width() || out.height() != target.height())
            out.resize(target.width(), target.height());
        return out;
    });
}

Raster prepareImport(ImportSource& source, const ImportChoices& c, const Palette& palette) {
    return guardAllocation([&] {
        Raster work = source.read(c.maxWidth);
        reduceToPalette(work, palette, c.colours, c.dither);
        return work;
    });
}

void reduceToPalette(Raster& work, const Palette& palette, int colours, bool dither) {
    if (work.isNull()) return;
    work.setImage(quantizeToPalette(work.image(), palette.rgbColours(), colours, dither));
    for (int i = 0; i < Palette::kSize; ++i) work.setUserPalette(i, palette[i]);
}

} // namespace qorn
