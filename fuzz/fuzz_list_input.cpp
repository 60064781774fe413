// List input read field by field. The first byte chooses, bit by bit, whether each of up to
// eight fields is read as a string or a number; the rest is the text.
#include "fuzz_common.h"
#include "common/list_input.h"

using namespace qorn;

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool space(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r'; }

// The plain field starting at `from` as list input sees it, when it is only an optional sign
// and at most four digits; its value then is plain decimal.
bool plainDecimal(const QByteArray& text, qsizetype from, int* value) {
    while (from < text.size() && blank(text[from])) ++from;
    qsizetype end = from;
    while (end < text.size() && text[end] != ',' && text[end] != '\r' && text[end] != '\n') ++end;
    const QByteArray field = text.mid(from, end - from).trimmed();
    qsizetype i = field.startsWith('-') || field.startsWith('+') ? 1 : 0;
    if (field.size() == i || field.size() - i > 4) return false;
    int v = 0;
    for (; i < field.size(); ++i) {
        if (field[i] < '0' || field[i] > '9') return false;
        v = v * 10 + (field[i] - '0');
    }
    *value = field.startsWith('-') ? -v : v;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const unsigned ops = data[0];
    const QByteArray text = fuzzBytes(data + 1, size - 1);
    ListInput in(text);
    for (int k = 0; k < 8; ++k) {
        const qsizetype before = in.position();
        qsizetype start = before;
        while (start < text.size() && blank(text[start])) ++start;
        const bool quoted = start < text.size() && text[start] == '"';
        try {
            if (ops & (1u << k)) {
                int expected = 0;
                const bool decimal = plainDecimal(text, before, &expected);
                const int v = in.integer();
                FUZZ_REQUIRE(v >= -32768 && v <= 32767);
                if (decimal) FUZZ_REQUIRE(v == expected);
            } else {
                const QString s = in.string();
                FUZZ_REQUIRE(!s.contains(u'"') || !quoted);
                if (!quoted) {
                    FUZZ_REQUIRE(!s.contains(u',') && !s.contains(u'\r') && !s.contains(u'\n'));
                    FUZZ_REQUIRE(s.isEmpty() || (!space(s.front()) && !space(s.back())));
                }
            }
            // Every field read takes at least one byte, so reading always comes to an end.
            FUZZ_REQUIRE(in.position() > before && in.position() <= text.size());
        } catch (const Error& e) {
            requireNumber(e, {err::InputPastEnd, err::TypeMismatch, err::Overflow});
            if (e.number() == err::InputPastEnd) {
                FUZZ_REQUIRE(start == text.size());
                return 0;
            }
            // A field that is no number is passed over all the same.
            FUZZ_REQUIRE(in.position() > before);
        }
    }
    return 0;
}
