// The undo snapshot's bytes: a picture in one of the two layouts a pattern is held in, within
// the size cap, or Damaged or out of memory. A snapshot of what was read reads back the same.
#include "fuzz_common.h"
#include "imaging/codec_limits.h"
#include "imaging/raster.h"

using namespace qorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Raster r;
    try {
        r.loadFromMemory(fuzzBytes(data, size));
    } catch (const Error& e) {
        requireNumber(e, {err::Damaged, err::OutOfMemory});
        return 0;
    }
    FUZZ_REQUIRE(!r.isNull() && dimensionsAllowed(r.width(), r.height()));
    const QImage& img = r.image();
    FUZZ_REQUIRE(img.format() == QImage::Format_RGB32 ||
                 (img.format() == QImage::Format_Indexed8 && img.colorCount() == 256));
    if (qint64(r.width()) * r.height() > 1 << 20) return 0;
    Raster again;
    try {
        again.loadFromMemory(r.saveToMemory());
    } catch (const Error&) {
        FUZZ_REQUIRE(!"a snapshot reads back");
    }
    FUZZ_REQUIRE(again.width() == r.width() && again.height() == r.height());
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x) FUZZ_REQUIRE(again.pixel(x, y) == r.pixel(x, y));
    return 0;
}
