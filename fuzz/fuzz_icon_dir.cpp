// The directory of an icon or cursor file as the import dialog lists it: entries of 1 to 256
// pixels a side, or the one entry of a bitmap, or Damaged.
#include "fuzz_common.h"
#include "import/import_source.h"

#include <QBuffer>

using namespace qorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QBuffer buffer;
    buffer.setData(fuzzBytes(data, size));
    buffer.open(QIODevice::ReadOnly);
    std::vector<IconEntry> entries;
    try {
        entries = ReadIconDirectory(buffer);
    } catch (const Error& e) {
        requireNumber(e, {err::Damaged});
        return 0;
    }
    FUZZ_REQUIRE(!entries.empty());
    if (entries.front().colours < 0) {
        FUZZ_REQUIRE(entries.size() == 1 && size >= 26 && data[0] == 'B');
        return 0;
    }
    FUZZ_REQUIRE(size >= 6 && entries.size() == size_t(data[4] | data[5] << 8) && entries.size() <= 256);
    for (const IconEntry& e : entries) {
        FUZZ_REQUIRE(e.width >= 1 && e.width <= 256 && e.height >= 1 && e.height <= 256);
        FUZZ_REQUIRE(e.colours >= 1 && e.colours <= 256);
        IconColorDepth(e.colours);
    }
    return 0;
}
