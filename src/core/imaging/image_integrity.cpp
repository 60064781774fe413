#include "image_integrity.h"

#include "common/error.h"

#include <QFile>
#include <QIODevice>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace qorn {
namespace {

[[noreturn]] void damaged(const char* why) { throw Error(err::Damaged, QString::fromLatin1(why)); }

uint32_t get16(const uchar* p, bool bigEndian) {
    return bigEndian ? uint32_t(p[0]) << 8 | p[1] : uint32_t(p[1]) << 8 | p[0];
}
uint32_t get32(const uchar* p, bool bigEndian) {
    return bigEndian ? get16(p, true) << 16 | get16(p + 2, true) : get16(p + 2, false) << 16 | get16(p, false);
}

// The file's bytes by position. Every position and length is checked against the size first,
// so header fields never take part in arithmetic that could overflow.
class Source {
public:
    explicit Source(QIODevice& device) : device_(device), size_(device.size()) {}
    int64_t size() const { return size_; }
    bool fits(int64_t pos, int64_t n) const { return pos >= 0 && n >= 0 && pos <= size_ && n <= size_ - pos; }
    bool readAt(int64_t pos, void* out, int64_t n) {
        if (!fits(pos, n)) return false;
        if (n == 0) return true;
        return device_.seek(pos) && device_.read(static_cast<char*>(out), n) == n;
    }

private:
    QIODevice& device_;
    int64_t size_;
};

// Reads forward in chunks, so walking a large stream costs little memory.
class ByteStream {
public:
    ByteStream(Source& source, int64_t from) : source_(source), next_(from) {}

    // The next byte, or -1 at the end of the file.
    int next() {
        if (at_ == buffer_.size() && !refill()) return -1;
        return buffer_[at_++];
    }
    bool skip(int64_t n) {
        const int64_t buffered = int64_t(buffer_.size() - at_);
        if (n <= buffered) {
            at_ += size_t(n);
            return true;
        }
        n -= buffered;
        at_ = buffer_.size();
        if (!source_.fits(next_, n)) return false;
        next_ += n;
        return true;
    }

private:
    bool refill() {
        const int64_t n = std::min<int64_t>(kChunk, source_.size() - next_);
        if (n <= 0) return false;
        buffer_.resize(size_t(n));
        if (!source_.readAt(next_, buffer_.data(), n)) return false;
        next_ += n;
        at_ = 0;
        return true;
    }

    static constexpr int64_t kChunk = 64 * 1024;
    Source& source_;
    int64_t next_;
    std::vector<uchar> buffer_;
    size_t at_ = 0;
};

// ---- BMP -------------------------------------------------------------------------------------

constexpr int64_t kBmpFileHeader = 14;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;

// A run-length stream is whole when it reaches its end-of-bitmap mark, or has ended every row.
void walkRunLengths(Source& source, int64_t from, bool eightBit, int64_t rows) {
    ByteStream in(source, from);
    int64_t y = 0;
    for (;;) {
        const int count = in.next();
        const int code = in.next();
        if (code < 0) damaged("BMP run-length data end early");
        if (count > 0) continue;
        if (code == 0) {
            if (++y >= rows) return;
        } else if (code == 1) {
            return;
        } else if (code == 2) {
            in.next();
            const int dy = in.next();
            if (dy < 0) damaged("BMP run-length data end early");
            // Decoders keep a jump below the last row inside the picture.
            y = std::min(y + dy, rows - 1);
        } else {
            const int64_t bytes = eightBit ? code : (code + 1) / 2;
            if (!in.skip(bytes + (bytes & 1))) damaged("BMP run-length data end early");
        }
    }
}

void checkBmp(Source& source) {
    uchar file[18];
    if (!source.readAt(0, file, sizeof file)) damaged("BMP header cut short");
    const int64_t dataOffset = get32(file + 10, false);
    const int64_t infoSize = get32(file + 14, false);
    if (infoSize < 12) damaged("BMP info header too small");
    if (!source.fits(kBmpFileHeader, infoSize)) damaged("BMP info header cut short");

    uchar info[40] = {};
    if (!source.readAt(kBmpFileHeader, info, std::min<int64_t>(infoSize, sizeof info)))
        damaged("BMP info header unreadable");
    int64_t width = 0, height = 0;
    int bitCount = 0;
    uint32_t compression = kBiRgb, coloursUsed = 0;
    if (infoSize < 16) {
        // The oldest header gives its sides in 16 bits.
        width = get16(info + 4, false);
        height = get16(info + 6, false);
        bitCount = int(get16(info + 10, false));
    } else {
        width = int32_t(get32(info + 4, false));
        height = int32_t(get32(info + 8, false));
        bitCount = int(get16(info + 14, false));
        if (infoSize >= 20) compression = get32(info + 16, false);
        if (infoSize >= 36) coloursUsed = get32(info + 32, false);
    }
    if (width <= 0 || height == 0 || height == INT32_MIN) damaged("BMP size");
    const int64_t rows = height < 0 ? -height : height;

    // Where the pixels begin when the header's offset points back into the header and tables:
    // right after them, as the decoder reads.
    int64_t tablesEnd = kBmpFileHeader + infoSize;
    if ((compression == kBiBitfields || compression == kBiAlphaBitfields) && infoSize < 52)
        tablesEnd += compression == kBiAlphaBitfields ? 16 : 12;
    if (bitCount >= 1 && bitCount <= 8) {
        const int64_t entries = coloursUsed ? int64_t(coloursUsed) : int64_t(1) << bitCount;
        tablesEnd += entries * (infoSize == 12 ? 3 : 4);
    }
    if (tablesEnd > source.size()) damaged("BMP colour table cut short");
    const int64_t start = std::max(dataOffset, tablesEnd);
    const int64_t available = source.size() - start;

    switch (compression) {
    case kBiRgb:
    case kBiBitfields:
    case kBiAlphaBitfields: {
        static constexpr int kBitCounts[] = {1, 2, 4, 8, 16, 24, 32};
        if (std::find(std::begin(kBitCounts), std::end(kBitCounts), bitCount) == std::end(kBitCounts))
            damaged("BMP bit count");
        // Rows are padded to four bytes; width < 2^31 and 32 bits keep this within 2^37.
        const int64_t rowBytes = (width * bitCount + 31) / 32 * 4;
        if (available < 0 || available / rowBytes < rows) damaged("BMP pixels cut short");
        return;
    }
    case kBiRle8:
    case kBiRle4:
        if (bitCount != (compression == kBiRle8 ? 8 : 4)) damaged("BMP run-length bit count");
        if (available <= 0) damaged("BMP pixels past the end");
        walkRunLengths(source, start, compression == kBiRle8, rows);
        return;
    default:
        // Embedded JPEG, PNG and the rest: their own readers judge the data, if it is there at all.
        if (available <= 0) damaged("BMP pixels past the end");
        return;
    }
}

// ---- TIFF ------------------------------------------------------------------------------------

// Bytes per value of each field type; 0 for types a reader skips.
int64_t tiffTypeSize(uint32_t type) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;   // BYTE, ASCII, SBYTE, UNDEFINED
    case 3: case 8: return 2;                   // SHORT, SSHORT
    case 4: case 9: case 11: case 13: return 4; // LONG, SLONG, FLOAT, IFD
    case 5: case 10: case 12: case 16: case 17: case 18: return 8;
    default: return 0;
    }
}

// Tags from here on belong to single programs; a reader passes over what it cannot fetch.
constexpr uint32_t kFirstPrivateTag = 32768;

struct TiffField {
    bool present = false;
    uint32_t type = 0;
    uint32_t count = 0;
    uchar value[4] = {};
};

// One table of strip or tile positions or sizes, read a chunk at a time.
class TiffValues {
public:
    TiffValues(Source& source, const TiffField& field, bool bigEndian) : source_(source), bigEndian_(bigEndian) {
        switch (field.type) {
        case 1: width_ = 1; break;  // BYTE
        case 3: width_ = 2; break;  // SHORT
        case 4:                     // LONG
        case 13: width_ = 4; break; // IFD
        default: damaged("TIFF strip table of an unexpected type");
        }
        const int64_t bytes = int64_t(field.count) * width_;
        if (bytes <= 4) {
            buffer_.assign(field.value, field.value + bytes);
        } else {
            next_ = get32(field.value, bigEndian);
            left_ = bytes;
            if (!source.fits(next_, bytes)) damaged("TIFF strip table past the end");
        }
    }

    int64_t next() {
        if (at_ + width_ > buffer_.size()) refill();
        const uchar* p = buffer_.data() + at_;
        at_ += size_t(width_);
        return width_ == 1 ? p[0] : width_ == 2 ? get16(p, bigEndian_) : get32(p, bigEndian_);
    }

private:
    void refill() {
        const int64_t n = std::min<int64_t>(left_, kChunkValues * width_);
        if (n <= 0) damaged("TIFF strip table cut short");
        buffer_.resize(size_t(n));
        if (!source_.readAt(next_, buffer_.data(), n)) damaged("TIFF strip table unreadable");
        next_ += n;
        left_ -= n;
        at_ = 0;
    }

    static constexpr int64_t kChunkValues = 4096;
    Source& source_;
    bool bigEndian_;
    int width_ = 4;
    int64_t next_ = 0;
    int64_t left_ = 0;
    std::vector<uchar> buffer_;
    size_t at_ = 0;
};

// The first directory only: it is the picture that is read.
void checkTiff(Source& source, bool bigEndian) {
    uchar header[8];
    if (!source.readAt(0, header, sizeof header)) damaged("TIFF header cut short");
    const int64_t directory = get32(header + 4, bigEndian);
    uchar countBytes[2];
    if (directory < 8 || !source.readAt(directory, countBytes, 2)) damaged("TIFF directory past the end");
    const int64_t entries = get16(countBytes, bigEndian);
    if (entries == 0) damaged("TIFF directory empty");
    // At most 65535 entries of 12 bytes, and only after they and the link to the next directory
    // are known to be in the file.
    if (!source.fits(directory + 2, entries * 12 + 4)) damaged("TIFF directory cut short");
    std::vector<uchar> table(size_t(entries * 12));
    if (!source.readAt(directory + 2, table.data(), entries * 12)) damaged("TIFF directory unreadable");

    TiffField stripOffsets, stripCounts, tileOffsets, tileCounts;
    for (int64_t i = 0; i < entries; ++i) {
        const uchar* e = table.data() + i * 12;
        const uint32_t tag = get16(e, bigEndian);
        // A value that no longer fits its four bytes lies elsewhere; a colour map cut off this
        // way turns the picture black without a word from the reader.
        const int64_t valueBytes = int64_t(get32(e + 4, bigEndian)) * tiffTypeSize(get16(e + 2, bigEndian));
        if (tag < kFirstPrivateTag && valueBytes > 4 && !source.fits(get32(e + 8, bigEndian), valueBytes))
            damaged("TIFF field past the end");
        TiffField* field = nullptr;
        switch (tag) {
        case 273: field = &stripOffsets; break;
        case 279: field = &stripCounts; break;
        case 324: field = &tileOffsets; break;
        case 325: field = &tileCounts; break;
        default: continue;
        }
        // A repeated tag counts once, as its first entry.
        if (field->present) continue;
        field->present = true;
        field->type = get16(e + 2, bigEndian);
        field->count = get32(e + 4, bigEndian);
        std::memcpy(field->value, e + 8, 4);
    }
    const bool tiled = tileOffsets.present;
    const TiffField& offsets = tiled ? tileOffsets : stripOffsets;
    const TiffField& counts = tiled ? tileCounts : stripCounts;
    if (!offsets.present || offsets.count == 0) damaged("TIFF without image data");
    if (!counts.present || counts.count < offsets.count) damaged("TIFF without the sizes of its image data");

    TiffValues at(source, offsets, bigEndian), size(source, counts, bigEndian);
    for (uint32_t i = 0; i < offsets.count; ++i) {
        const int64_t offset = at.next(), bytes = size.next();
        if (!source.fits(offset, bytes)) damaged("TIFF image data past the end");
    }
}

// Restores the device's position, whatever the check did to it.
class KeepPosition {
public:
    explicit KeepPosition(QIODevice& device) : device_(device), pos_(device.pos()) {}
    ~KeepPosition() { device_.seek(pos_); }
    KeepPosition(const KeepPosition&) = delete;
    KeepPosition& operator=(const KeepPosition&) = delete;

private:
    QIODevice& device_;
    qint64 pos_;
};

} // namespace

void checkComplete(QIODevice& device) {
    // Only a device that can be measured and read at any position can be judged.
    if (!device.isOpen() || !device.isReadable() || device.isSequential()) return;
    KeepPosition keep(device);
    Source source(device);
    uchar magic[4] = {};
    if (!source.readAt(0, magic, std::min<int64_t>(4, source.size()))) return;
    if (source.size() >= 2 && magic[0] == 'B' && magic[1] == 'M') {
        checkBmp(source);
    } else if (source.size() >= 4 && magic[0] == 'I' && magic[1] == 'I' && magic[2] == 42 && magic[3] == 0) {
        checkTiff(source, false);
    } else if (source.size() >= 4 && magic[0] == 'M' && magic[1] == 'M' && magic[2] == 0 && magic[3] == 42) {
        checkTiff(source, true);
    }
    // BigTIFF and everything else are left to their readers.
}

void checkComplete(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw Error(err::FileNotFound);
    checkComplete(file);
}

} // namespace qorn
