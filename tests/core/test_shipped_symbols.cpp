#include "common/cp932.h"
#include "support/sample_images.h"
#include "view/symbol_file.h"

#include <QCoreApplication>
#include <QFont>
#include <QRawFont>

#include <gtest/gtest.h>

#include <set>

using namespace qorn;

namespace {
const QString kShipped = QStringLiteral(QORN_SOURCE_DIR "/data/qorn.sym");
} // namespace

TEST(ShippedSymbols, Are256DistinctFullWidthCharactersIpaGothicCanDraw) {
    const SymbolFileResult r = readSymbolFile(kShipped, -1); // no entry replaced
    ASSERT_TRUE(r.ok()) << static_cast<int>(r.status);
    const QRawFont font = QRawFont::fromFont(QFont(QStringLiteral("IPAGothic")));
    ASSERT_EQ(font.familyName(), QStringLiteral("IPAGothic")) << "fonts-ipafont-gothic is not installed";
    ASSERT_FALSE(font.supportsCharacter(0x2211u)); // the font can say no: it lacks ∑
    std::set<QString> distinct;
    for (const Symbol& s : r.table) {
        distinct.insert(s.text);
        const uint c = s.text.toUcs4().value(0);
        // The background's blank and list-input delimiters would be lost in the file or chart.
        EXPECT_TRUE(c != 0x3000 && c != ',' && c != '"' && !QChar::isSpace(c) && QChar::isPrint(c)) << c;
        EXPECT_EQ(s.bytes.size(), 2) << c; // full width, so text chart rows line up
        EXPECT_EQ(decodeCp932(s.bytes), s.text) << c;
        EXPECT_TRUE(font.supportsCharacter(c)) << c;
    }
    EXPECT_EQ(distinct.size(), 256u);
}

// qorn.sym is made from its readable list; the two must not drift apart.
TEST(ShippedSymbols, FileIsItsReadableListInCp932OnOneLine) {
    const QString list = QString::fromUtf8(test::readFile(QStringLiteral(QORN_SOURCE_DIR "/data/qorn_sym.txt")));
    QString field;
    for (const QString& line : list.split(QLatin1Char('\n')))
        if (!line.startsWith(QLatin1Char('#'))) field += line.simplified().remove(QLatin1Char(' '));
    ASSERT_EQ(field.size(), 256);
    EXPECT_EQ(test::readFile(kShipped), encodeCp932(field).value_or("?") + "\r\n");
    EXPECT_EQ(test::readFile(QCoreApplication::applicationDirPath() + QStringLiteral("/qorn.sym")),
              test::readFile(kShipped));
}
