#include "common/error.h"
#include "document/recovery.h"
#include "support/sample_images.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>

using namespace qorn;
using qorn::test::samePixels;
using qorn::test::errorOf;
using qorn::test::readFile;
using qorn::test::writeFile;

namespace {


class RecoveryFolder : public ::testing::Test {
protected:
    void SetUp() override {
        dir = test::freshTempDir(QStringLiteral("recovery-%1").arg(
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name())));
    }
    QString path(const QString& name) const { return dir + QLatin1Char('/') + name; }
    QStringList files() const { return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
    // A copy as a crashed editor leaves it: its session gone, the file still there.
    QString leaveOrphan(const RecoveryContent& content) {
        RecoverySession crashed(dir);
        EXPECT_TRUE(crashed.start());
        crashed.write(content);
        return crashed.copyPath();
    }

    QString dir;
    const RecoveryContent content{test::photoLikeImage(37, 23, 5), 15, 180, 200};
};

} // namespace

// Odd widths pad every BMP row; the copy must still come back stitch for stitch.
TEST(RecoveryBytes, RoundTripKeepsEveryStitchAndTheSideFileFields) {
    for (const QSize size : {QSize(37, 23), QSize(1, 1), QSize(200, 400)}) {
        const RecoveryContent in{test::photoLikeImage(size.width(), size.height(), 9), 15, 180, 200};
        const QByteArray bytes = recoveryBytes(in);
        const RecoveryContent out = readRecoveryBytes(bytes);
        EXPECT_TRUE(samePixels(in.pattern, out.pattern)) << size.width() << "x" << size.height();
        EXPECT_EQ(out.pattern.format(), QImage::Format_RGB32);
        EXPECT_EQ(out.mee, 15);
        EXPECT_EQ(out.dan, 180);
        EXPECT_EQ(out.background, 200);
        // The picture inside is a plain 24-bit BMP any viewer can open.
        const qsizetype bmpAt = 24;
        const QByteArray bmp = bytes.mid(bmpAt, bytes.size() - bmpAt - 8);
        EXPECT_TRUE(bmp.startsWith("BM"));
        EXPECT_EQ(static_cast<uchar>(bmp[28]), 24);
        EXPECT_TRUE(samePixels(QImage::fromData(bmp, "BMP"), in.pattern));
    }
    // An 8-bit picture is kept as the colours it shows.
    const QImage indexed = test::allIndicesImage(16, 16);
    EXPECT_TRUE(samePixels(readRecoveryBytes(recoveryBytes({indexed, 20, 20, 15})).pattern,
                           indexed.convertToFormat(QImage::Format_RGB32)));
}

TEST(RecoveryBytes, DamagedCopiesAreRefused) {
    const RecoveryContent in{test::photoLikeImage(37, 23, 5), 20, 20, 15};
    const QByteArray good = recoveryBytes(in);
    struct Case {
        const char* what;
        QByteArray bytes;
    };
    std::vector<Case> cases = {
        {"empty", QByteArray()},
        {"header only", good.left(24)},
        {"cut in the pixels", good.left(good.size() / 2)},
        {"last byte missing", good.chopped(1)},
        {"a byte too many", good + 'x'},
        {"other magic", QByteArray(good).replace(0, 4, "XORN")},
        {"a pixel changed", QByteArray(good).replace(good.size() / 2, 1, QByteArray(1, good[good.size() / 2] ^ 0x01))},
        {"gauge changed", QByteArray(good).replace(8, 1, QByteArray(1, good[8] ^ 0x04))},
        {"checksum changed", QByteArray(good).replace(good.size() - 1, 1, QByteArray(1, good[good.size() - 1] ^ 0x80))},
        // Written with a valid checksum, but nothing the editor could hold.
        {"stitch gauge 9", recoveryBytes({in.pattern, 9, 20, 15})},
        {"row gauge 201", recoveryBytes({in.pattern, 20, 201, 15})},
        {"background 256", recoveryBytes({in.pattern, 20, 20, 256})},
        {"background -1", recoveryBytes({in.pattern, 20, 20, -1})},
    };
    const QString dir = test::freshTempDir(QStringLiteral("recovery-damaged"));
    for (const Case& c : cases) {
        EXPECT_EQ(errorOf([&] { readRecoveryBytes(c.bytes); }), err::Damaged) << c.what;
        writeFile(dir + QStringLiteral("/copy.qrec"), c.bytes);
        EXPECT_EQ(errorOf([&] { readRecoveryFile(dir + QStringLiteral("/copy.qrec")); }), err::Damaged) << c.what;
    }
    EXPECT_EQ(errorOf([&] { readRecoveryBytes(good); }), 0);
    EXPECT_EQ(errorOf([&] { readRecoveryFile(dir + QStringLiteral("/none.qrec")); }), err::FileNotFoundOs);
}

TEST_F(RecoveryFolder, TheCopyOnDiskIsExactlyTheEncodedWorkAndGoesOnRemove) {
    RecoverySession session(dir + QStringLiteral("/made/on/demand"));
    ASSERT_TRUE(session.start());
    EXPECT_FALSE(session.hasCopy());
    EXPECT_FALSE(QFile::exists(session.copyPath()));
    session.write(content);
    EXPECT_TRUE(session.hasCopy());
    EXPECT_EQ(readFile(session.copyPath()), recoveryBytes(content));
    // A later write replaces it whole.
    const RecoveryContent later{test::photoLikeImage(12, 40, 6), 30, 40, 3};
    session.write(later);
    EXPECT_EQ(readFile(session.copyPath()), recoveryBytes(later));
    session.remove();
    EXPECT_FALSE(session.hasCopy());
    EXPECT_FALSE(QFile::exists(session.copyPath()));
}

TEST_F(RecoveryFolder, TheCopyOfAnEditorStillRunningIsNeverOffered) {
    auto running = std::make_unique<RecoverySession>(dir);
    ASSERT_TRUE(running->start());
    running->write(content);
    RecoverySession second(dir);
    ASSERT_TRUE(second.start());
    EXPECT_TRUE(second.orphans().empty());
    EXPECT_TRUE(QFile::exists(running->copyPath()));
    // Once that editor is gone without removing it, its copy is an orphan.
    const QString left = running->copyPath();
    running.reset();
    const auto orphans = second.orphans();
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0]->path(), left);
    EXPECT_TRUE(samePixels(orphans[0]->read().pattern, content.pattern));
    // While one editor holds it, a third does not see it.
    RecoverySession third(dir);
    ASSERT_TRUE(third.start());
    EXPECT_TRUE(third.orphans().empty());
}

TEST_F(RecoveryFolder, ALockWhoseOwnerDiedMakesTheCopyAnOrphan) {
    QString copy;
    QByteArray lockText;
    {
        RecoverySession crashed(dir);
        ASSERT_TRUE(crashed.start());
        crashed.write(content);
        copy = crashed.copyPath();
        lockText = readFile(QFileInfo(copy).path() + QLatin1Char('/') + QFileInfo(copy).completeBaseName() +
                            QStringLiteral(".lock"));
    }
    ASSERT_FALSE(lockText.isEmpty());
    // The lock as the dead process would have left it: the same text under a finished pid.
    QProcess finished;
    finished.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit 0")});
    ASSERT_TRUE(finished.waitForStarted());
    const qint64 deadPid = finished.processId();
    ASSERT_TRUE(finished.waitForFinished());
    const QString lockPath = QFileInfo(copy).path() + QLatin1Char('/') + QFileInfo(copy).completeBaseName() +
                             QStringLiteral(".lock");
    const QByteArray rest = lockText.mid(lockText.indexOf('\n'));
    RecoverySession next(dir);
    ASSERT_TRUE(next.start());
    // Under the pid of a process that runs (this one, as another session of it) it is alive.
    writeFile(lockPath, QByteArray::number(QCoreApplication::applicationPid()) + rest);
    EXPECT_TRUE(next.orphans().empty());
    EXPECT_TRUE(QFile::exists(lockPath));
    writeFile(lockPath, QByteArray::number(deadPid) + rest);
    const auto orphans = next.orphans();
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0]->path(), copy);
}

TEST_F(RecoveryFolder, AWriteCutShortIsNeverOfferedAndIsCleanedAway) {
    // A crash during the atomic replace leaves only the temporary file beside the name.
    const QString partial = path(QStringLiteral("qorn-7-0000beef.qrec.aB3xYz"));
    writeFile(partial, recoveryBytes(content));
    // Nor a copy whose name is not one of ours.
    const QString stranger = path(QStringLiteral("notes.qrec"));
    writeFile(stranger, recoveryBytes(content));
    RecoverySession session(dir);
    ASSERT_TRUE(session.start());
    EXPECT_TRUE(session.orphans().empty());
    EXPECT_FALSE(QFile::exists(partial));
    EXPECT_TRUE(QFile::exists(stranger));
}

TEST_F(RecoveryFolder, OrphansComeNewestFirstAndDiscardOrKeepAsAsked) {
    const QString older = leaveOrphan({test::photoLikeImage(5, 5, 1), 20, 20, 1});
    const QString newer = leaveOrphan({test::photoLikeImage(5, 5, 2), 20, 20, 2});
    {
        QFile f(older);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-600), QFileDevice::FileModificationTime));
    }
    {
        RecoverySession session(dir);
        ASSERT_TRUE(session.start());
        auto orphans = session.orphans();
        ASSERT_EQ(orphans.size(), 2u);
        EXPECT_EQ(orphans[0]->path(), newer);
        EXPECT_EQ(orphans[1]->path(), older);
        EXPECT_EQ(orphans[0]->read().background, 2);
        orphans[0]->discard();
        // The other is only let go: it stays for a later start.
    }
    EXPECT_FALSE(QFile::exists(newer));
    EXPECT_TRUE(QFile::exists(older));
    // Nothing but the older copy is left behind: no lock of a discarded or released copy.
    EXPECT_EQ(files(), QStringList{QFileInfo(older).fileName()});
}

TEST_F(RecoveryFolder, AnAdoptedCopyBelongsToTheNewSessionAndOutlivesASecondCrash) {
    const QString left = leaveOrphan(content);
    QString adopted;
    {
        RecoverySession restoring(dir);
        ASSERT_TRUE(restoring.start());
        auto orphans = restoring.orphans();
        ASSERT_EQ(orphans.size(), 1u);
        ASSERT_TRUE(restoring.adopt(*orphans[0]));
        adopted = restoring.copyPath();
        EXPECT_TRUE(restoring.hasCopy());
        EXPECT_FALSE(QFile::exists(left));
        EXPECT_EQ(readFile(adopted), recoveryBytes(content));
        // Alive, the adopting editor's copy is not anyone's orphan.
        RecoverySession other(dir);
        ASSERT_TRUE(other.start());
        EXPECT_TRUE(other.orphans().empty());
    }
    RecoverySession after(dir);
    ASSERT_TRUE(after.start());
    const auto orphans = after.orphans();
    ASSERT_EQ(orphans.size(), 1u);
    EXPECT_EQ(orphans[0]->path(), adopted);
}

TEST_F(RecoveryFolder, WithoutAFolderNothingStartsAndWritesFail) {
    writeFile(path(QStringLiteral("plain-file")), "x");
    RecoverySession blocked(path(QStringLiteral("plain-file/recovery")));
    EXPECT_FALSE(blocked.start());
    EXPECT_NE(errorOf([&] { blocked.write(content); }), 0);
    EXPECT_TRUE(blocked.orphans().empty());
    RecoverySession nowhere{QString()};
    EXPECT_FALSE(nowhere.start());
}

TEST_F(RecoveryFolder, TheWriterKeepsTheNewestContentAndARemoveIsFinal) {
    RecoverySession session(dir);
    ASSERT_TRUE(session.start());
    const RecoveryContent a{test::photoLikeImage(200, 400, 1), 20, 20, 1};
    const RecoveryContent b{test::photoLikeImage(200, 400, 2), 20, 20, 2};
    const RecoveryContent c{test::photoLikeImage(200, 400, 3), 20, 20, 3};
    {
        RecoveryWriter writer(session);
        writer.write(a);
        writer.write(b);
        writer.wait();
        EXPECT_EQ(readFile(session.copyPath()), recoveryBytes(b));
        EXPECT_TRUE(session.hasCopy());
        // Removed while the write may still be in hand: nothing brings the copy back.
        for (int i = 0; i < 20; ++i) {
            writer.write(c);
            writer.remove();
            EXPECT_FALSE(QFile::exists(session.copyPath())) << i;
            writer.wait();
            EXPECT_FALSE(QFile::exists(session.copyPath())) << i;
            EXPECT_FALSE(session.hasCopy()) << i;
        }
        // A run that ends without removing leaves its last content written.
        writer.write(a);
        writer.write(c);
    }
    EXPECT_EQ(readFile(session.copyPath()), recoveryBytes(c));
}

TEST_F(RecoveryFolder, TheWriterTellsWhetherTheCopyWasWritten) {
    RecoverySession session(dir);
    ASSERT_TRUE(session.start());
    std::atomic<int> written{0}, failed{0};
    const auto count = [&](bool ok) { ++(ok ? written : failed); };
    {
        RecoveryWriter writer(session);
        writer.write(content, count);
        writer.wait();
        EXPECT_EQ(written.load(), 1);
        // A folder gone from under it: the write fails quietly and says so.
        ASSERT_TRUE(QDir(dir).removeRecursively());
        writer.write(content, count);
        writer.wait();
    }
    EXPECT_EQ(written.load(), 1);
    EXPECT_EQ(failed.load(), 1);
}
