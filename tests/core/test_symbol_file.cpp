#include "common/cp932.h"
#include "support/sample_images.h"
#include "view/symbol_file.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace qorn;

namespace {

QByteArray cp932(const QString& text) { return encodeCp932(text).value_or(QByteArray("?encoding failed?")); }
QByteArray pair(int lead, int trail) { return QByteArray(1, char(lead)) + char(trail); }

// Kanji of JIS level 1 in code order: distinct, two bytes each.
QString kanji(int n) {
    QString s;
    for (int lead = 0x88; s.size() < n; ++lead)
        for (int trail = 0x40; trail <= 0xFC && s.size() < n; ++trail)
            if (const auto c = decodeCp932(pair(lead, trail)); c && trail != 0x7F) s += *c;
    return s;
}

class SymbolFileTest : public ::testing::Test {
protected:
    void SetUp() override { dir = test::freshTempDir(QStringLiteral("symbol-file")); }
    void TearDown() override { QDir(dir).removeRecursively(); }
    SymbolFileResult read(const QByteArray& bytes, int background = 15) {
        return readSymbolFile(test::writeFile(dir + QStringLiteral("/test.sym"), bytes), background);
    }
    QString dir;
};

} // namespace

TEST(Cp932, ConvertsAsWindowsDoesAndRefusesRatherThanSubstitutes) {
    EXPECT_EQ(cp932(QStringLiteral("\u3000\\~\uFF5E\u2211")), QByteArray("\x81\x40\\~\x81\x60\x87\x94"));
    EXPECT_EQ(decodeCp932(QByteArray("\x5c\x7e\xb1")), QStringLiteral("\\~\uFF71"));
    EXPECT_FALSE(encodeCp932(QStringLiteral("A\u00e9")));
    for (const char* bad : {"\x81", "\x81,", "A\xff", "\x80"}) EXPECT_FALSE(decodeCp932(QByteArray(bad))) << bad;
}

// The reader re-encodes every character it decodes, so none may fail to come back.
TEST(Cp932, EveryTwoByteCharacterComesBackThroughBothDirections) {
    int decoded = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead)
        for (int trail = 0x40; trail <= 0xFC && (lead < 0xA0 || lead >= 0xE0); ++trail) {
            const auto text = decodeCp932(pair(lead, trail));
            if (!text) continue;
            ++decoded;
            ASSERT_EQ(text->size(), 1) << std::hex << lead << ' ' << trail;
            const auto again = encodeCp932(*text);
            ASSERT_TRUE(again) << std::hex << lead << ' ' << trail;
            EXPECT_EQ(decodeCp932(*again), *text);
        }
    EXPECT_GT(decoded, 7000); // JIS X 0208, the NEC and IBM rows, the user area
}

TEST_F(SymbolFileTest, ReadsTheFirstFieldByListInputRules) {
    const QString symbols = kanji(256);
    const QByteArray field = cp932(symbols);
    for (const QByteArray& file : {field + "\r\nxyz", field + "\n", field + "\r", field, field + ",x",
                                   " \t " + field + "\r\n", "\"" + field + "\",x"}) {
        const SymbolFileResult r = read(file, -1);
        ASSERT_TRUE(r.ok()) << file.left(4).toHex().toStdString() << ' ' << file.right(4).toHex().toStdString();
        for (int i = 0; i < 256; ++i) ASSERT_EQ(r.table[i].text, symbols.mid(i, 1)) << i;
        EXPECT_EQ(r.table[7].bytes, cp932(symbols.mid(7, 1)));
    }
    // Quotes keep commas and blanks; half-width characters count one each like full-width ones.
    const SymbolFileResult quoted = read("\"" + cp932(kanji(252)) + ", A\xb1\"\r\n");
    ASSERT_TRUE(quoted.ok());
    EXPECT_EQ(quoted.table[252].text, QStringLiteral(","));
    EXPECT_EQ(quoted.table[253].bytes, QByteArray(" "));
    EXPECT_EQ(quoted.table[255].text, QStringLiteral("\uFF71"));
    EXPECT_EQ(quoted.table[255].bytes, QByteArray("\xb1"));
}

TEST_F(SymbolFileTest, RefusesAnyFieldThatIsNot256Characters) {
    QString cut = kanji(256);
    cut[99] = QLatin1Char(','); // a field of 99 characters
    const QByteArray k255 = cp932(kanji(255));
    const struct {
        QByteArray file;
        SymbolFileStatus status;
    } cases[] = {
        {cp932(cut), SymbolFileStatus::Short},
        {k255 + "\r\n", SymbolFileStatus::Short},
        {QByteArray(), SymbolFileStatus::Short},
        {"\r\n" + cp932(kanji(256)), SymbolFileStatus::Short}, // the first line is empty
        {cp932(kanji(257)), SymbolFileStatus::TooLong},
        {QByteArray(200000, 'x'), SymbolFileStatus::TooLong},
        // Never a replacement character counted as the 256th symbol.
        {k255 + "\xff", SymbolFileStatus::Undecodable},
        {k255 + "\x80", SymbolFileStatus::Undecodable},
        {k255 + "\x81\r\n", SymbolFileStatus::Undecodable},
        {k255 + "\x81,A", SymbolFileStatus::Undecodable},
    };
    for (const auto& c : cases) {
        const SymbolFileResult r = read(c.file);
        EXPECT_EQ(r.status, c.status) << c.file.right(6).toHex().toStdString();
        // Error 9 goes through the command's own handling; the others are told as damaged.
        EXPECT_EQ(r.errorNumber, c.status == SymbolFileStatus::TooLong ? 9 : 0);
        EXPECT_EQ(r.message(), c.status == SymbolFileStatus::TooLong ? QString() : QStringLiteral("SYMファイルが異常です"));
    }
    const SymbolFileResult missing = readSymbolFile(dir + QStringLiteral("/none.sym"), 15);
    EXPECT_EQ(missing.status, SymbolFileStatus::Missing);
    EXPECT_EQ(missing.message(), QStringLiteral("SYMファイルが見つかりません"));
    const SymbolFileResult folder = readSymbolFile(dir, 15);
    EXPECT_EQ(folder.status, SymbolFileStatus::Unreadable);
    EXPECT_EQ(folder.errorNumber, 75);
}

TEST_F(SymbolFileTest, TheBackgroundEntryIsTheFullWidthBlankWhateverTheFileSays) {
    const QString symbols = kanji(256);
    for (int background : {0, 15, 255}) {
        const SymbolFileResult r = read(cp932(symbols), background);
        ASSERT_TRUE(r.ok());
        for (int i = 0; i < 256; ++i)
            EXPECT_EQ(r.table[i].text, i == background ? QStringLiteral("\u3000") : symbols.mid(i, 1));
        EXPECT_EQ(r.table[background].bytes, QByteArray("\x81\x40"));
    }
}

// A duplicate code in the file comes out as the system writes that character.
TEST_F(SymbolFileTest, KeepsTheBytesTheSystemWritesForEachCharacter) {
    const SymbolFileResult r = read(cp932(kanji(255)) + "\x87\x90");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.table[255].text, QStringLiteral("\u2252"));
    EXPECT_EQ(r.table[255].bytes, QByteArray("\x81\xe0"));
}
