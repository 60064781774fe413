// Inputs the fuzzers found that a reader or writer once got wrong, each shown through what the
// user keeps: the bytes written, the fields or pictures read back.
#include "common/error.h"
#include "document/pattern_files.h"

#include <gtest/gtest.h>

using namespace qorn;

TEST(SideFileText, PercentSignsInTheExtensionStayTextAndTheNumbersLandInTheirFields) {
    // A side file read from elsewhere may hold such an extension; saving it must not move the
    // gauge into the name.
    const QrdFields f{QStringLiteral("%2x%1"), 20, 30, 15};
    EXPECT_EQ(qrdText(f), QByteArray("\"%2x%1\",20,30,15\r\n"));
    const QrdFields back = readQrdText(qrdText(f));
    EXPECT_EQ(back.ext, f.ext);
    EXPECT_EQ(back.mee, 20);
    EXPECT_EQ(back.dan, 30);
    EXPECT_EQ(back.background, 15);
}
