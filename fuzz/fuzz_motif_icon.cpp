// An icon file taken as a motif: every entry Qt reads, and the one stamped, 32 x 32.
#include "fuzz_common.h"
#include "tools/motif.h"

#include <QBuffer>

using namespace qorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QBuffer buffer;
    buffer.setData(fuzzBytes(data, size));
    buffer.open(QIODevice::ReadOnly);
    const QList<QImage> entries = readIconEntries(&buffer, "ico");
    for (const QImage& e : entries) FUZZ_REQUIRE(!e.isNull());
    const QImage icon = iconEntry32(entries);
    FUZZ_REQUIRE(icon.isNull() == entries.isEmpty());
    if (icon.isNull()) return 0;
    FUZZ_REQUIRE(icon.size() == QSize(kMotifIconSide, kMotifIconSide));
    const PreparedMotif m = maskedByAlpha(icon);
    FUZZ_REQUIRE(m.picture.size() == icon.size() && m.mask.size() == icon.size());
    return 0;
}
