#include "cp932.h"

#include <QtEndian>

#include <cerrno>
#include <iconv.h>

namespace qorn {
namespace {

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "QString is handed to iconv as UTF-16LE");

// One conversion descriptor per call: cheap once glibc has loaded the module, and never
// shared between threads.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid()) iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The whole input or nothing: an invalid or unfinished sequence fails the conversion.
    std::optional<QByteArray> convert(const char* in, size_t size, size_t outPerIn) {
        if (!valid()) return std::nullopt;
        QByteArray out(static_cast<qsizetype>(size * outPerIn + 4), Qt::Uninitialized);
        char* src = const_cast<char*>(in);
        char* dst = out.data();
        size_t inLeft = size, outLeft = static_cast<size_t>(out.size());
        if (iconv(cd_, &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
        // Flushes any pending shift state; CP932 has none, but an unfinished input shows here.
        if (iconv(cd_, nullptr, nullptr, &dst, &outLeft) == static_cast<size_t>(-1)) return std::nullopt;
        if (inLeft != 0) return std::nullopt;
        out.truncate(out.size() - static_cast<qsizetype>(outLeft));
        return out;
    }

private:
    iconv_t cd_;
};

} // namespace

std::optional<QByteArray> encodeCp932(QStringView text) {
    Iconv cd("CP932", "UTF-16LE");
    // At most two bytes for each UTF-16 unit.
    return cd.convert(reinterpret_cast<const char*>(text.utf16()), static_cast<size_t>(text.size()) * 2, 1);
}

std::optional<QString> decodeCp932(const QByteArray& bytes) {
    Iconv cd("UTF-16LE", "CP932");
    // Every CP932 character is one UTF-16 unit, two bytes, whatever its own length.
    const auto out = cd.convert(bytes.constData(), static_cast<size_t>(bytes.size()), 2);
    if (!out) return std::nullopt;
    return QString(reinterpret_cast<const QChar*>(out->constData()), out->size() / 2);
}

} // namespace qorn
