#include "common/error.h"
#include "document/qrnobj.h"

#include <gtest/gtest.h>

using qorn::qrnobj;

TEST(Qrnobj, FreshInstanceIsEmpty) {
    qrnobj q;
    EXPECT_TRUE(q.savefile.isEmpty());
    EXPECT_FALSE(q.selected);
    EXPECT_FALSE(q.chgflg);
    EXPECT_EQ(q.mee(), 0);
    EXPECT_EQ(q.dan(), 0);
    EXPECT_EQ(q.asp1(), 0.0f);
    EXPECT_EQ(q.asp2(), 0.0f);
}

TEST(Qrnobj, AspectsAppearOnlyOnceBothGaugesAreSetAndAreSinglePrecision) {
    qrnobj q;
    q.setMee(22);
    EXPECT_EQ(q.asp1(), 0.0f);
    EXPECT_EQ(q.asp2(), 0.0f);
    q.setDan(30);
    EXPECT_EQ(q.asp1(), 1.3636364f);
    EXPECT_EQ(q.asp2(), 0.73333335f);
    // Stored as floats, not doubles: the double quotient differs from the stored value.
    EXPECT_NE(static_cast<double>(q.asp2()), 22.0 / 30.0);
    q.setMee(20);
    EXPECT_EQ(q.asp1(), 1.5f);
    EXPECT_EQ(q.asp2(), static_cast<float>(20.0 / 30.0));
}

TEST(Qrnobj, OutOfRangeGaugeRaisesInvalidValueAndChangesNothing) {
    qrnobj q;
    q.setMee(22);
    q.setDan(30);
    for (int bad : {9, 201, 0, -5, 40000}) {
        try {
            q.setMee(bad);
            FAIL() << "mee " << bad << " accepted";
        } catch (const qorn::Error& e) {
            EXPECT_EQ(e.number(), -2147189392);
            EXPECT_EQ(e.description(), QStringLiteral("invalid value"));
        }
        EXPECT_THROW(q.setDan(bad), qorn::Error);
    }
    EXPECT_EQ(q.mee(), 22);
    EXPECT_EQ(q.dan(), 30);
    EXPECT_EQ(q.asp1(), 1.3636364f);
    q.setMee(10);
    q.setDan(200);
    EXPECT_EQ(q.mee(), 10);
    EXPECT_EQ(q.dan(), 200);
    EXPECT_EQ(q.asp1(), 20.0f);
    EXPECT_EQ(q.asp2(), 0.05f);
}
