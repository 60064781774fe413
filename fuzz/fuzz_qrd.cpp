// The side file: four fields by list-input rules, or one of the three list-input numbers.
#include "fuzz_common.h"
#include "document/pattern_files.h"

using namespace qorn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    QrdFields f;
    try {
        f = readQrdText(fuzzBytes(data, size));
    } catch (const Error& e) {
        requireNumber(e, {err::InputPastEnd, err::TypeMismatch, err::Overflow});
        return 0;
    }
    for (int v : {f.mee, f.dan, f.background}) FUZZ_REQUIRE(v >= -32768 && v <= 32767);
    // What a save writes for these fields reads back as the same fields. A quote cannot be
    // written inside the quoted extension, and a saved extension never holds one.
    if (f.ext.contains(QLatin1Char('"'))) return 0;
    const QByteArray written = qrdText(f);
    QrdFields again;
    try {
        again = readQrdText(written);
    } catch (const Error&) {
        FUZZ_REQUIRE(!"a written side file reads back");
    }
    FUZZ_REQUIRE(again.ext == f.ext);
    FUZZ_REQUIRE(again.mee == f.mee && again.dan == f.dan && again.background == f.background);
    return 0;
}
