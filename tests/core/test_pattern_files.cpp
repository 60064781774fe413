#include "app/app_paths.h"
#include "app/editor_state.h"
#include "common/error.h"
#include "dialogs/file_errors.h"
#include "document/pattern_files.h"
#include "support/sample_images.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace qorn;
using qorn::test::errorOf;
using qorn::test::readFile;

namespace {



class PatternFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::freshTempDir(QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        s.PalTable.load(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"));
        s.initPattern();
    }
    // A picture of palette colours, in every stitch a different pattern of entries.
    Raster chart(int w, int h) const {
        Raster r;
        r.create(w, h, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) r.setPixel(x, y, s.PalTable[(x * 7 + y * 3) % 256]);
        return r;
    }
    QString dir;
    EditorState s;
};

} // namespace

TEST(SplitPath, FolderBaseAndExtension) {
    auto p = SplitPath(QStringLiteral("/a/b/rose.bmp"));
    EXPECT_EQ(p.folder, QStringLiteral("/a/b/"));
    EXPECT_EQ(p.base, QStringLiteral("rose"));
    EXPECT_EQ(p.ext, QStringLiteral("bmp"));
    p = SplitPath(QStringLiteral("/a/b.c/archive.tar.gz"));
    EXPECT_EQ(p.base, QStringLiteral("archive.tar"));
    EXPECT_EQ(p.ext, QStringLiteral("gz"));
    p = SplitPath(QStringLiteral("/a/b.c/README")); // no "." in the name
    EXPECT_EQ(p.folder, QStringLiteral("/a/b.c/"));
    EXPECT_EQ(p.base, QStringLiteral("README"));
    EXPECT_TRUE(p.ext.isEmpty());
    p = SplitPath(QStringLiteral("rose.PCX"));
    EXPECT_TRUE(p.folder.isEmpty());
    EXPECT_EQ(p.ext, QStringLiteral("PCX"));
}

TEST(FilterIndexOf, MatchesLowerCaseExtensionsInOrder) {
    const QString open = QStringLiteral("ＱＲＤ(*.QRD)|*.qrd|ＢＭＰ(*.BMP)|*.bmp|ＴＩＦ(*.TIF)|*.tif|ＰＣＸ(*.PCX)|*.pcx|"
                                        "ＪＰＥＧ(*.JPG)|*.jpg|すべてのファイル(*.*)|*.*");
    EXPECT_EQ(FilterIndexOf(open, QStringLiteral("PCX")), 4);
    EXPECT_EQ(FilterIndexOf(open, QStringLiteral("bmp")), 2);
    EXPECT_EQ(FilterIndexOf(open, QStringLiteral("png")), 1);
    EXPECT_EQ(FilterIndexOf(open, QString()), 1);
}

TEST(FormatCodes, ByExtensionInAnyCase) {
    EXPECT_EQ(formatCodeFor(QStringLiteral("pcx")), 1);
    EXPECT_EQ(formatCodeFor(QStringLiteral("BMP")), 6);
    EXPECT_EQ(formatCodeFor(QStringLiteral("Tiff")), 3);
    EXPECT_EQ(formatCodeFor(QStringLiteral("pct")), 56);
    EXPECT_EQ(formatCodeFor(QStringLiteral("PICT")), 56);
    EXPECT_FALSE(formatCodeFor(QStringLiteral("jpg")));
    EXPECT_FALSE(formatCodeFor(QStringLiteral("gif")));
}

TEST(SaveAsName, PrefixIsNotDoubled) {
    EXPECT_EQ(proposedSaveAsName(QStringLiteral("rose")), QStringLiteral("x_rose.bmp"));
    EXPECT_EQ(proposedSaveAsName(QStringLiteral("x_rose")), QStringLiteral("x_rose.bmp"));
    EXPECT_EQ(proposedSaveAsName(QStringLiteral("X_rose")), QStringLiteral("x_X_rose.bmp"));
    EXPECT_EQ(proposedSaveAsName(QStringLiteral("NoName")), QString());
}

TEST_F(PatternFiles, QrdFileIsOneListOutputLineAndReadsBackAsListInput) {
    EXPECT_EQ(qrdText({QStringLiteral("bmp"), 20, 20, 15}), QByteArray("\"bmp\",20,20,15\r\n"));
    struct Case {
        QByteArray text;
        QString ext;
        int mee, dan, bg;
    };
    const Case good[] = {{"\"pcx\",22,30,7\r\n", "pcx", 22, 30, 7},
                         {"  \"BMP\" , 10 ,  200,0", "BMP", 10, 200, 0}, // blanks, no final CR LF
                         {"\"tif\"\n20\n40\n255\n", "tif", 20, 40, 255}};
    for (const Case& c : good) {
        const QrdFields f = readQrd(test::writeFile(dir + QStringLiteral("/p.qrd"), c.text));
        EXPECT_EQ(f.ext, c.ext);
        EXPECT_EQ(f.mee, c.mee);
        EXPECT_EQ(f.dan, c.dan);
        EXPECT_EQ(f.background, c.bg);
    }
    const std::pair<QByteArray, int> bad[] = {{"", 62},
                                              {"\"bmp\",20", 62},
                                              {"\"bmp\",twenty,20,15", 13},
                                              {"\"bmp\",20,99999,15", 6},
                                              {QByteArray("\x00\xff\x13\x88garbage\x01", 13), 62},
                                              {QByteArray(1 << 20, 'x'), 62}};
    for (const auto& [text, number] : bad)
        EXPECT_EQ(errorOf([&] { readQrd(test::writeFile(dir + QStringLiteral("/bad.qrd"), text)); }), number)
            << text.left(20).toStdString();
    EXPECT_EQ(errorOf([&] { readQrd(dir + QStringLiteral("/none.qrd")); }), 53);
    EXPECT_EQ(errorOf([&] { readQrd(dir); }), 75);
}

TEST_F(PatternFiles, QrdNamesTheImageThatIsLoaded) {
    chart(30, 20).save(dir + QStringLiteral("/rose.pcx"), FormatPcx);
    chart(5, 5).save(dir + QStringLiteral("/rose.bmp"), FormatBmp);
    test::writeFile(dir + QStringLiteral("/rose.qrd"), "\"pcx\",22,30,40\r\n");
    s.qrnobj->chgflg = true;
    LoadQrdPattern(s, dir + QStringLiteral("/rose.bmp"), dir + QStringLiteral("/rose.qrd"));
    EXPECT_EQ(s.qrnobj->savefile, dir + QStringLiteral("/rose.pcx"));
    EXPECT_EQ(s.LeadSrc.width(), 30);
    EXPECT_EQ(s.LeadSrc.bitsPerPixel(), 24);
    EXPECT_EQ(s.LeadSrc.image(), chart(30, 20).image());
    EXPECT_EQ(s.qrnobj->mee(), 22);
    EXPECT_EQ(s.qrnobj->dan(), 30);
    EXPECT_EQ(s.RightIndex, 40);
    EXPECT_FALSE(s.qrnobj->chgflg);
}

TEST_F(PatternFiles, WideAndTallImagesAreCutToTheLimits) {
    chart(260, 400).save(dir + QStringLiteral("/big.bmp"), FormatBmp);
    test::writeFile(dir + QStringLiteral("/big.qrd"), "\"bmp\",20,30,15\r\n");
    LoadQrdPattern(s, dir + QStringLiteral("/big.qrd"), dir + QStringLiteral("/big.qrd"));
    EXPECT_EQ(s.LeadSrc.width(), 200);
    EXPECT_EQ(s.LeadSrc.height(), 300); // 200 x asp1 1.5, from the top
    EXPECT_EQ(s.LeadSrc.pixel(199, 0), chart(260, 400).pixel(199, 0));
    // 200 x 37 / 30 = 246.67 rows: the limit rounds, it does not cut the fraction off.
    test::writeFile(dir + QStringLiteral("/big.qrd"), "\"bmp\",30,37,15\r\n");
    LoadQrdPattern(s, dir + QStringLiteral("/big.qrd"), dir + QStringLiteral("/big.qrd"));
    EXPECT_EQ(s.LeadSrc.height(), 247);
}

TEST_F(PatternFiles, FailedOpensChangeNothing) {
    s.RightIndex = 9;
    s.qrnobj->savefile = QStringLiteral("/keep/me.bmp");
    const QImage before = s.LeadSrc.image();
    auto unchanged = [&] {
        EXPECT_EQ(s.RightIndex, 9);
        EXPECT_EQ(s.qrnobj->mee(), 20);
        EXPECT_EQ(s.qrnobj->savefile, QStringLiteral("/keep/me.bmp"));
        EXPECT_EQ(s.LeadSrc.image(), before);
    };
    test::writeFile(dir + QStringLiteral("/a.qrd"), "\"bmp\",30,30,40\r\n"); // no a.bmp
    EXPECT_EQ(errorOf([&] { LoadQrdPattern(s, dir + QStringLiteral("/a.qrd"), dir + QStringLiteral("/a.qrd")); }),
              err::FileNotFound);
    unchanged();
    chart(4, 4).save(dir + QStringLiteral("/g.bmp"), FormatBmp);
    test::writeFile(dir + QStringLiteral("/g.qrd"), "\"bmp\",300,30,40\r\n");
    EXPECT_EQ(errorOf([&] { LoadQrdPattern(s, dir + QStringLiteral("/g.qrd"), dir + QStringLiteral("/g.qrd")); }),
              err::InvalidValue);
    unchanged();
    // A background beyond the palette reads as a damaged side file ("ファイル内容が異常です").
    test::writeFile(dir + QStringLiteral("/g.qrd"), "\"bmp\",30,30,300\r\n");
    EXPECT_EQ(errorOf([&] { LoadQrdPattern(s, dir + QStringLiteral("/g.qrd"), dir + QStringLiteral("/g.qrd")); }),
              err::Damaged);
    EXPECT_EQ(fileErrorMessage(err::Damaged, FileCommand::Open), QStringLiteral("ファイル内容が異常です"));
    unchanged();
    chart(4, 4).save(dir + QStringLiteral("/elsewhere.bmp"), FormatBmp);
    test::writeFile(dir + QStringLiteral("/sub.qrd"), "\"bmp/../elsewhere.bmp\",20,20,1\r\n");
    EXPECT_EQ(errorOf([&] { LoadQrdPattern(s, dir + QStringLiteral("/sub.qrd"), dir + QStringLiteral("/sub.qrd")); }),
              err::BadFileName);
    unchanged();
    test::writeFile(dir + QStringLiteral("/t.bmp"), QByteArray("BM\x10\x00", 4)); // truncated
    test::writeFile(dir + QStringLiteral("/t.qrd"), "\"bmp\",30,30,1\r\n");
    EXPECT_EQ(errorOf([&] { LoadQrdPattern(s, dir + QStringLiteral("/t.qrd"), dir + QStringLiteral("/t.qrd")); }),
              err::Damaged);
    unchanged();
}

TEST_F(PatternFiles, EveryFormatRoundTripsWithItsGauge) {
    s.LeadSrc = chart(37, 23);
    s.qrnobj->setMee(18);
    s.qrnobj->setDan(27);
    s.RightIndex = 77;
    for (const char* ext : {"bmp", "tif", "pcx", "pct"}) {
        for (SaveKind kind : {SaveKind::Overwrite, SaveKind::SaveAs}) {
            const QString path = dir + QStringLiteral("/p.") + QLatin1String(ext);
            writePattern(s, path, kind);
            EXPECT_EQ(readFile(dir + QStringLiteral("/p.qrd")), QByteArray("\"") + ext + "\",18,27,77\r\n");
            EditorState back;
            back.PalTable = s.PalTable;
            back.initPattern();
            LoadQrdPattern(back, dir + QStringLiteral("/p.qrd"), dir + QStringLiteral("/p.qrd"));
            EXPECT_EQ(back.LeadSrc.image(), s.LeadSrc.image()) << ext;
            EXPECT_EQ(back.qrnobj->mee(), 18);
            EXPECT_EQ(back.RightIndex, 77);
            Raster file;
            file.load(path, 0);
            EXPECT_EQ(file.bitsPerPixel(), 8) << ext;
        }
    }
}

TEST_F(PatternFiles, SelectionSavesItsPart) {
    s.LeadSrc = chart(30, 20);
    s.qrnobj->selected = true;
    s.qrnobj->smpx = 2;
    s.qrnobj->smpy = 3;
    s.qrnobj->empx = 11;
    s.qrnobj->empy = 7;
    writePattern(s, dir + QStringLiteral("/over.bmp"), SaveKind::Overwrite);
    writePattern(s, dir + QStringLiteral("/as.bmp"), SaveKind::SaveAs);
    Raster over, as;
    over.load(dir + QStringLiteral("/over.bmp"), 24);
    as.load(dir + QStringLiteral("/as.bmp"), 24);
    EXPECT_EQ(QSize(over.width(), over.height()), QSize(10, 5));
    EXPECT_EQ(QSize(as.width(), as.height()), QSize(9, 4));
    EXPECT_EQ(over.pixel(0, 0), s.LeadSrc.pixel(2, 3));
    // A selection dragged up and left saves the same part.
    std::swap(s.qrnobj->smpx, s.qrnobj->empx);
    std::swap(s.qrnobj->smpy, s.qrnobj->empy);
    writePattern(s, dir + QStringLiteral("/as2.bmp"), SaveKind::SaveAs);
    Raster as2;
    as2.load(dir + QStringLiteral("/as2.bmp"), 24);
    EXPECT_EQ(as2.image(), as.image());
}

TEST_F(PatternFiles, RefusedSavesLeaveTheOldFilesAlone) {
    writePattern(s, dir + QStringLiteral("/keep.bmp"), SaveKind::SaveAs);
    const QByteArray image = readFile(dir + QStringLiteral("/keep.bmp"));
    const QByteArray qrd = readFile(dir + QStringLiteral("/keep.qrd"));
    s.LeadSrc = chart(8, 8);
    EXPECT_EQ(errorOf([&] { writePattern(s, dir + QStringLiteral("/keep.jpg"), SaveKind::SaveAs); }), err::Unsupported);
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/keep.jpg")));
    EXPECT_EQ(errorOf([&] { writePattern(s, dir + QStringLiteral("/nowhere/keep.bmp"), SaveKind::SaveAs); }),
              err::BadFileName);
    QDir().mkpath(dir + QStringLiteral("/folder.bmp"));
    EXPECT_EQ(errorOf([&] { writePattern(s, dir + QStringLiteral("/folder.bmp"), SaveKind::SaveAs); }),
              err::PathFileAccess);
    EXPECT_EQ(readFile(dir + QStringLiteral("/keep.bmp")), image);
    EXPECT_EQ(readFile(dir + QStringLiteral("/keep.qrd")), qrd);
}

TEST(Errors, EveryFailureComesBackAsItsNumberAndMemoryReadsTheSameEverywhere) {
    EXPECT_EQ(trapErrors([] {}), 0);
    EXPECT_EQ(trapErrors([] { throw Error(err::Damaged); }), err::Damaged);
    EXPECT_EQ(trapErrors([] { throw std::bad_alloc(); }), err::NoMemory);
    EXPECT_EQ(trapErrors([] { throw std::runtime_error("odd"); }), err::Internal);
    for (FileCommand c : {FileCommand::Open, FileCommand::OverwriteSave, FileCommand::SaveAs,
                          FileCommand::PatternDisplay, FileCommand::MotifSelection, FileCommand::Print,
                          FileCommand::SizeByNumber, FileCommand::ImportDialog, FileCommand::Editing}) {
        EXPECT_EQ(fileErrorMessage(err::NoMemory, c), QStringLiteral("メモリ不足です"));
        EXPECT_EQ(fileErrorMessage(err::OutOfMemory, c), QStringLiteral("メモリ不足です"));
    }
    // Numbers a command does not list still read as their number.
    EXPECT_EQ(fileErrorMessage(53, FileCommand::Open), QStringLiteral("エラー番号53"));
}
