// The symbol file: a table of 256 single characters with their CP932 bytes, or a status that
// names why not.
#include "fuzz_common.h"
#include "common/cp932.h"
#include "view/symbol_file.h"

#include <QBuffer>

using namespace qorn;

namespace {

SymbolFileResult readBytes(const QByteArray& bytes, int background) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readSymbolFile(buffer, background);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int background = size > 0 ? data[0] : 0;
    const SymbolFileResult r = readBytes(fuzzBytes(data, size), background);
    switch (r.status) {
    case SymbolFileStatus::Short:
    case SymbolFileStatus::Undecodable:
        FUZZ_REQUIRE(r.errorNumber == 0 && r.message() == symbolFileDamagedMessage());
        return 0;
    case SymbolFileStatus::TooLong:
        FUZZ_REQUIRE(r.errorNumber == err::SubscriptOutOfRange);
        return 0;
    case SymbolFileStatus::Ok:
        break;
    default:
        FUZZ_REQUIRE(!"bytes in memory are never missing or unreadable");
    }
    FUZZ_REQUIRE(r.errorNumber == 0 && r.message().isEmpty());
    bool quote = false;
    QByteArray again = "\"";
    for (size_t i = 0; i < r.table.size(); ++i) {
        const Symbol& s = r.table[i];
        FUZZ_REQUIRE(s.text.toUcs4().size() == 1);
        FUZZ_REQUIRE(s.bytes.size() == 1 || s.bytes.size() == 2);
        FUZZ_REQUIRE(decodeCp932(s.bytes) == s.text);
        quote = quote || s.text == QStringLiteral("\"");
        again += s.bytes;
    }
    FUZZ_REQUIRE(r.table[size_t(background)] == (Symbol{kBackgroundSymbolText, kBackgroundSymbolBytes}));
    // The table written out as one quoted field reads back as the same table.
    if (!quote) FUZZ_REQUIRE(readBytes(again + "\"\r\n", background).table == r.table);
    return 0;
}
