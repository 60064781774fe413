#include "raster.h"

#include "codec_limits.h"
#include "common/error.h"
#include "common/file_write.h"
#include "image_integrity.h"
#include "pcx.h"
#include "pict.h"
#include "quantize.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>

#include <algorithm>
#include <vector>

namespace qorn {
namespace {

QVector<QRgb> table256(const QVector<QRgb>& table) {
    QVector<QRgb> out(256, 0xff000000);
    for (int i = 0; i < std::min<qsizetype>(256, table.size()); ++i) out[i] = table[i] | 0xff000000;
    return out;
}

QVector<QRgb> greyRamp() {
    QVector<QRgb> out(256);
    for (int i = 0; i < 256; ++i) out[i] = qRgb(i, i, i);
    return out;
}

// 96 dots per inch, whatever screen the program runs on.
constexpr int kDotsPerMetre = 3780;

void checkNotNull(const QImage& image) {
    if (image.isNull()) throw Error(err::OutOfMemory);
}

// Formats we read ourselves by their content, or by their name when the content says nothing.
enum class OwnFormat { None, Pcx, Pict };

OwnFormat ownFormatOf(const QByteArray& head, const QString& suffix) {
    if (pcx::looksLikePcx(head)) return OwnFormat::Pcx;
    if (pict::looksLikePict(head)) return OwnFormat::Pict;
    if (suffix == QLatin1String("pcx")) return OwnFormat::Pcx;
    if (suffix == QLatin1String("pct") || suffix == QLatin1String("pict")) return OwnFormat::Pict;
    return OwnFormat::None;
}

QImage readOwn(OwnFormat format, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw Error(err::FileNotFound);
    // The file is held whole while it is decoded, so it counts against the same cap.
    if (file.size() > kMaxImageBytes) throw Error(err::OutOfMemory);
    const QByteArray data = file.readAll();
    return format == OwnFormat::Pcx ? pcx::read(data) : pict::read(data);
}

// A picture larger than the cap is out of memory, not damaged.
void refuseOversized(const QImageReader& reader) {
    const QSize size = reader.size();
    if (size.isValid() && !dimensionsAllowed(size.width(), size.height())) throw Error(err::OutOfMemory);
}

QImage readWithQt(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    if (format.isEmpty()) {
        // No plugin recognises the content: a known name makes it damaged, anything else foreign.
        const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
        const auto known = QImageReader::supportedImageFormats();
        throw Error(!suffix.isEmpty() && known.contains(suffix) ? err::Damaged : err::Unsupported);
    }
    refuseOversized(reader);
    checkComplete(path);
    QImage image;
    if (!reader.read(&image)) {
        switch (reader.error()) {
        case QImageReader::FileNotFoundError:
            throw Error(err::FileNotFound);
        case QImageReader::UnsupportedFormatError:
            throw Error(err::Unsupported);
        default:
            throw Error(err::Damaged, reader.errorString());
        }
    }
    return image;
}

// What a writer sees: zeroed row padding and a resolution that does not depend on the screen.
QImage forWriting(const QImage& image) {
    QImage out = image;
    clearRowPadding(out);
    out.setDotsPerMeterX(kDotsPerMetre);
    out.setDotsPerMeterY(kDotsPerMetre);
    checkNotNull(out);
    return out;
}

} // namespace

QImage normalizedImage(const QImage& image, bool keepIndexed) {
    if (image.isNull()) return {};
    if (!dimensionsAllowed(image.width(), image.height())) throw Error(err::OutOfMemory);
    return guardAllocation([&] {
        QImage out;
        if (keepIndexed && image.format() == QImage::Format_Indexed8) {
            out = image;
            out.setColorTable(table256(image.colorTable()));
        } else if (keepIndexed &&
                   (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB)) {
            out = image.convertToFormat(QImage::Format_Indexed8);
            checkNotNull(out);
            clearRowPadding(out);
            out.setColorTable(table256(out.colorTable()));
        } else if (keepIndexed && image.format() == QImage::Format_Grayscale8) {
            out = QImage(image.width(), image.height(), QImage::Format_Indexed8);
            checkNotNull(out);
            clearRowPadding(out);
            for (int y = 0; y < image.height(); ++y)
                std::copy_n(image.constScanLine(y), image.width(), out.scanLine(y));
            out.setColorTable(greyRamp());
        } else if (image.format() == QImage::Format_RGB32) {
            out = image;
        } else {
            out = image.convertToFormat(QImage::Format_RGB32);
        }
        checkNotNull(out);
        return out;
    });
}

int Raster::bitsPerPixel() const {
    if (img_.isNull()) return 0;
    return img_.format() == QImage::Format_Indexed8 ? 8 : 24;
}

void Raster::setImage(const QImage& image) { img_ = normalizedImage(image, true); }

void Raster::create(int width, int height, int bitsPerPixel) {
    if (!dimensionsAllowed(width, height)) throw Error(err::OutOfMemory);
    QImage image(width, height, bitsPerPixel == 8 ? QImage::Format_Indexed8 : QImage::Format_RGB32);
    checkNotNull(image);
    if (bitsPerPixel == 8) {
        image.setColorTable(QVector<QRgb>(256, 0xff000000));
        image.fill(0);
    } else {
        image.fill(0xff000000);
    }
    img_ = image;
}

void Raster::fill(ColorRef colour) {
    if (img_.isNull()) return;
    if (img_.format() == QImage::Format_Indexed8) img_ = img_.convertToFormat(QImage::Format_RGB32);
    img_.fill(rgbFromColorRef(colour));
}

void Raster::load(const QString& path, int bitsPerPixel) {
    const QFileInfo info(path);
    if (!info.exists()) throw Error(err::FileNotFound);
    if (info.isDir()) throw Error(err::Unsupported);
    QByteArray head;
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) throw Error(err::FileNotFound);
        head = file.read(600);
    }
    const OwnFormat own = ownFormatOf(head, info.suffix().toLower());
    img_ = guardAllocation([&] {
        const QImage image = own == OwnFormat::None ? readWithQt(path) : readOwn(own, path);
        return normalizedImage(image, bitsPerPixel != 24);
    });
}

void Raster::save(const QString& path, int formatCode, int bitsPerPixel) const {
    if (img_.isNull()) throw Error(err::WriteFailure);
    const QImage out = forWriting(bitsPerPixel == 24 ? img_.convertToFormat(QImage::Format_RGB32) : img_);
    QByteArray bytes;
    switch (formatCode) {
    case FormatPcx:
        bytes = pcx::write(out);
        break;
    case FormatPict:
        bytes = pict::write(out);
        break;
    case FormatBmp:
    case FormatTif: {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, formatCode == FormatBmp ? "bmp" : "tiff");
        if (!writer.write(out)) throw Error(err::WriteFailure, writer.errorString());
        break;
    }
    default:
        throw Error(err::Unsupported);
    }
    writeFileAtomically(path, bytes, err::WriteFailure);
}

QByteArray Raster::saveToMemory() const {
    if (img_.isNull()) return {};
    return guardAllocation([&] {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!forWriting(img_).save(&buffer, "BMP")) throw Error(err::OutOfMemory);
        return bytes;
    });
}

void Raster::loadFromMemory(const QByteArray& bmp) {
    img_ = guardAllocation([&] {
        QByteArray data = bmp;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "bmp");
        refuseOversized(reader);
        // Judged through a device of its own: the reader has already read the header.
        QBuffer probe;
        probe.setData(bmp);
        probe.open(QIODevice::ReadOnly);
        checkComplete(probe);
        QImage image;
        if (!reader.read(&image)) throw Error(err::Damaged);
        return normalizedImage(image, true);
    });
}

void Raster::crop(int left, int top, int width, int height) {
    const QRect rect = QRect(left, top, width, height).intersected(img_.rect());
    if (rect.isEmpty()) throw Error(err::Damaged, QStringLiteral("empty crop"));
    QImage out = img_.copy(rect);
    checkNotNull(out);
    img_ = out;
}

void Raster::resize(int width, int height) {
    if (!dimensionsAllowed(width, height)) throw Error(err::OutOfMemory);
    const QImage src = img_.convertToFormat(QImage::Format_RGB32);
    QImage out = src.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    checkNotNull(out);
    img_ = normalizedImage(out, false);
}

void Raster::colorRes(int bitsPerPixel, int paletteMode, int dither, int count) {
    if (img_.isNull()) return;
    if (bitsPerPixel == 24 || paletteMode == PaletteFixedRgb) {
        img_ = normalizedImage(img_, false);
        return;
    }
    if (bitsPerPixel != 8) throw Error(err::Unsupported);
    if (paletteMode == PaletteUser) {
        std::array<QRgb, 256> palette;
        for (int i = 0; i < 256; ++i) palette[i] = rgbFromColorRef(userPalette_[i]);
        img_ = mapToPalette(img_, palette, dither != 0);
    } else if (paletteMode == PaletteOptimized) {
        img_ = optimizedPalette(img_, count <= 0 ? 256 : count, dither != 0);
    } else {
        throw Error(err::Unsupported);
    }
}

void Raster::setUserPalette(int index, ColorRef colour) { userPalette_.at(static_cast<size_t>(index)) = colour; }

ColorRef Raster::bitmapPalette(int index) const {
    if (img_.format() != QImage::Format_Indexed8 || index < 0 || index > 255) return 0;
    return colorRefFromRgb(img_.color(index));
}

void Raster::setBitmapPalette(int index, ColorRef colour) {
    if (img_.format() != QImage::Format_Indexed8 || index < 0 || index > 255) return;
    img_.setColor(index, rgbFromColorRef(colour));
}

int Raster::colorCount() const {
    if (img_.isNull()) return 0;
    if (img_.format() == QImage::Format_Indexed8) {
        std::array<bool, 256> used{};
        for (int y = 0; y < img_.height(); ++y) {
            const uchar* s = img_.constScanLine(y);
            for (int x = 0; x < img_.width(); ++x) used[s[x]] = true;
        }
        std::vector<QRgb> colours;
        for (int i = 0; i < 256; ++i)
            if (used[static_cast<size_t>(i)])
                colours.push_back((i < img_.colorCount() ? img_.color(i) : 0) | 0xff000000);
        std::sort(colours.begin(), colours.end());
        return static_cast<int>(std::unique(colours.begin(), colours.end()) - colours.begin());
    }
    const QImage src = normalizedImage(img_, false);
    // One bit per possible colour: 2 MB, touched only where the picture's colours fall.
    std::vector<uint64_t> seen(size_t(1) << 18, 0);
    int count = 0;
    for (int y = 0; y < src.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        QRgb last = ~s[0];
        for (int x = 0; x < src.width(); ++x) {
            if (s[x] == last) continue;
            last = s[x];
            const QRgb c = last & 0xffffff;
            uint64_t& word = seen[c >> 6];
            const uint64_t bit = uint64_t(1) << (c & 63);
            count += (word & bit) == 0;
            word |= bit;
        }
    }
    return count;
}

void Raster::invert() {
    if (img_.format() == QImage::Format_Indexed8) {
        for (int i = 0; i < 256; ++i) img_.setColor(i, ~img_.color(i) | 0xff000000);
    } else {
        img_.invertPixels();
    }
}

void Raster::flip() { img_ = img_.mirrored(false, true); }

void Raster::mirror() { img_ = img_.mirrored(true, false); }

void Raster::grayScale(int bitsPerPixel) {
    if (img_.isNull()) return;
    const QImage src = normalizedImage(img_, false);
    QImage out(src.width(), src.height(), QImage::Format_Indexed8);
    checkNotNull(out);
    clearRowPadding(out);
    out.setColorTable(greyRamp());
    for (int y = 0; y < src.height(); ++y) {
        const auto* s = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        uchar* d = out.scanLine(y);
        for (int x = 0; x < src.width(); ++x)
            d[x] = static_cast<uchar>((qRed(s[x]) * 299 + qGreen(s[x]) * 587 + qBlue(s[x]) * 114 + 500) / 1000);
    }
    img_ = bitsPerPixel == 8 ? out : normalizedImage(out, false);
}

QImage& Raster::pixels() {
    if (img_.format() != QImage::Format_RGB32 && !img_.isNull()) img_ = normalizedImage(img_, false);
    return img_;
}

ColorRef Raster::pixel(int x, int y) const { return colorRefFromRgb(img_.pixel(x, y)); }

void Raster::setPixel(int x, int y, ColorRef colour) {
    if (img_.format() == QImage::Format_Indexed8) img_ = img_.convertToFormat(QImage::Format_RGB32);
    reinterpret_cast<QRgb*>(img_.scanLine(y))[x] = rgbFromColorRef(colour);
}

} // namespace qorn
