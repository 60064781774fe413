// The palette file: up to 256 records of an index and a colour; the colours of whole records
// are taken, every other entry is black.
#include "fuzz_common.h"
#include "colour/palette.h"

#include <algorithm>

using namespace qorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Palette p;
    for (int i = 0; i < Palette::kSize; ++i) p.set(i, 0x123456); // the load replaces all
    p.loadBytes(fuzzBytes(data, size));
    const size_t records = std::min<size_t>(size / Palette::kRecordSize, Palette::kSize);
    for (int i = 0; i < Palette::kSize; ++i) {
        ColorRef want = 0;
        if (size_t(i) < records) {
            const uint8_t* c = data + size_t(i) * Palette::kRecordSize + 4;
            want = ColorRef(c[0]) | ColorRef(c[1]) << 8 | ColorRef(c[2]) << 16 | ColorRef(c[3]) << 24;
        }
        FUZZ_REQUIRE(p[i] == want);
        const int found = p.FindPalIndex(p[i]);
        FUZZ_REQUIRE(found >= 0 && found <= i && p[found] == p[i]);
    }
    return 0;
}
