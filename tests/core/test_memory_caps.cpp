// Readers fed files built to make them allocate far beyond the 128 MB cap, run in a child
// process whose address space is limited: they must answer with an error number, not be killed
// or throw std::bad_alloc.
#include "common/error.h"
#include "imaging/raster.h"
#include "import/import_source.h"
#include "support/hostile_images.h"
#include "support/sample_images.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <new>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
#define QORN_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QORN_ADDRESS_SANITIZER 1
#endif
#endif

using namespace qorn;

namespace {

#ifdef QORN_ADDRESS_SANITIZER
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// What a reader may take on top of what the process maps already: twice the 128 MB cap.
constexpr rlim_t kHeadroom = rlim_t(256) << 20;
// Data that could, on paper, stand for a gigabyte of scan lines.
constexpr int64_t kHostileDataBytes = 16ll << 20;

rlim_t mappedNow() {
    std::ifstream statm("/proc/self/statm");
    unsigned long pages = 0;
    statm >> pages;
    return rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE));
}

// Runs in the death test's child: caps the address space, loads, and reports on stderr.
[[noreturn]] void loadUnderCap(const std::function<QString()>& load) {
    const rlim_t cap = mappedNow() + kHeadroom;
    const rlimit limit{cap, cap};
    QString outcome;
    if (setrlimit(RLIMIT_AS, &limit) != 0) {
        outcome = QStringLiteral("no limit");
    } else {
        try {
            outcome = QStringLiteral("done ") + load();
        } catch (const Error& e) {
            outcome = QStringLiteral("error %1").arg(e.number());
        } catch (const std::bad_alloc&) {
            outcome = QStringLiteral("bad_alloc");
        }
    }
    std::fprintf(stderr, "outcome: %s.\n", qPrintable(outcome));
    std::_Exit(0);
}

QString describe(const Raster& r) {
    QString s = QStringLiteral("%1x%2").arg(r.width()).arg(r.height());
    for (int x = 0; x < std::min(r.width(), 10); ++x)
        s += QStringLiteral(" %1").arg(r.pixel(x, r.height() / 2), 6, 16, QLatin1Char('0'));
    return s;
}

QString loaded(const QString& path) {
    Raster r;
    r.load(path, 0);
    return describe(r);
}

class MemoryCap : public ::testing::Test {
protected:
    void SetUp() override {
        if (kAddressSanitizer) GTEST_SKIP() << "AddressSanitizer reserves more address space than the cap allows";
        // A fresh process for each child: the parent may hold threads from earlier tests.
        style_ = GTEST_FLAG_GET(death_test_style);
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        dir_ = test::freshTempDir(QStringLiteral("memory-cap"));
    }
    // The files run to tens of megabytes.
    void TearDown() override {
        if (!dir_.isEmpty()) QDir(dir_).removeRecursively();
        if (!style_.empty()) GTEST_FLAG_SET(death_test_style, style_);
    }
    QString dir_;
    std::string style_;
};

} // namespace

TEST_F(MemoryCap, PcxScanLinesLongerThanTheirPixelsAreNeverAllocated) {
    const QString damaged =
        test::writeFile(dir_ + QStringLiteral("/short.pcx"), test::pcxWithWideScanLines(kHostileDataBytes, false));
    EXPECT_EXIT(loadUnderCap([&] { return loaded(damaged); }), ::testing::ExitedWithCode(0), "outcome: error 20009\\.");

    // The same lines, whole: the padding is skipped and the 16 stitches across are read.
    const QByteArray wholeBytes = test::pcxWithWideScanLines(kHostileDataBytes, true);
    const int rows = (uchar(wholeBytes[10]) | (uchar(wholeBytes[11]) << 8)) + 1;
    const QString whole = test::writeFile(dir_ + QStringLiteral("/whole.pcx"), wholeBytes);
    const std::string expected = QStringLiteral("outcome: done 16x%1( ffffff){10}\\.").arg(rows).toStdString();
    EXPECT_EXIT(loadUnderCap([&] { return loaded(whole); }), ::testing::ExitedWithCode(0), expected);
}

TEST_F(MemoryCap, PictBandsAreLaidOnTheFrameAsTheyArrive) {
    constexpr int kBands = 12, kRows = 2048; // 32 MB a band, 384 MB in all
    const QString unended =
        test::writeFile(dir_ + QStringLiteral("/unended.pct"), test::pictWithManyBands(kBands, kRows, false));
    EXPECT_EXIT(loadUnderCap([&] { return loaded(unended); }), ::testing::ExitedWithCode(0), "outcome: error 20009\\.");

    const QString ended =
        test::writeFile(dir_ + QStringLiteral("/ended.pct"), test::pictWithManyBands(kBands, kRows, true));
    // Each column shows the last band laid on it; pixels are told as colour references.
    QString expected = QStringLiteral("outcome: done 10x10");
    for (int column = 0; column < 10; ++column) {
        const int last = column + 10 * ((kBands - 1 - column) / 10);
        expected += QStringLiteral(" %1").arg(colorRefFromRgb(test::manyBandsColour(last)), 6, 16, QLatin1Char('0'));
    }
    EXPECT_EXIT(loadUnderCap([&] { return loaded(ended); }), ::testing::ExitedWithCode(0),
                (expected + QStringLiteral("\\.")).toStdString());
}

TEST_F(MemoryCap, ImportingAHostilePictureFailsWithItsNumber) {
    const QString damaged =
        test::writeFile(dir_ + QStringLiteral("/short.pcx"), test::pcxWithWideScanLines(kHostileDataBytes, false));
    EXPECT_EXIT(loadUnderCap([&] {
                    ImportSource source;
                    source.open(damaged, 0xFFFFFF);
                    return describe(source.read(200));
                }),
                ::testing::ExitedWithCode(0), "outcome: error 20009\\.");
}
