// The built program as a user meets it: its command line, and an installed copy started
// through the link in bin/ as a desktop launcher starts it.
#include "support/sample_images.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QSettings>

#include <gtest/gtest.h>

#include <filesystem>

using namespace qorn;

namespace {

struct Outcome {
    bool finished = false;
    int exitCode = -1;
    QByteArray out, err;
};

// An environment that has no display and keeps the program's settings, lock and data in
// `home`, so that a run shows whatever it leaves behind.
QProcessEnvironment isolated(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QORN_NOTICE_FIRST_PAINT"})
        env.remove(QLatin1String(v));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), home + QStringLiteral("/state"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return env;
}

Outcome run(const QString& program, const QStringList& args, const QProcessEnvironment& env, int timeoutMs = 60000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Outcome r;
    if (!p.waitForStarted(10000)) return r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(5000);
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

// Every file and folder below `root`, relative to it.
QStringList everything(const QString& root) {
    QStringList names;
    const QDir dir(root);
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        names << info.fileName();
        if (info.isDir() && !info.isSymLink())
            for (const QString& inner : everything(info.filePath())) names << info.fileName() + QLatin1Char('/') + inner;
    }
    return names;
}

const QString kProgram = QStringLiteral(QORN_EXECUTABLE);

} // namespace

TEST(ProgramCommandLine, VersionAndHelpNeedNoDisplayAndLeaveNothingBehind) {
    const QString home = test::freshTempDir(QStringLiteral("cli-home"));
    const QProcessEnvironment env = isolated(home);
    const QStringList before = everything(home);
    for (const char* option : {"--version", "-v"}) {
        const Outcome r = run(kProgram, {QLatin1String(option)}, env);
        ASSERT_TRUE(r.finished) << option;
        EXPECT_EQ(r.exitCode, 0) << option << r.err.toStdString();
        EXPECT_EQ(r.out, QByteArray("QORN for Linux Ver.2.70\n")) << option;
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    for (const char* option : {"--help", "-h"}) {
        const Outcome r = run(kProgram, {QStringLiteral("my"), QLatin1String(option)}, env);
        ASSERT_TRUE(r.finished) << option;
        EXPECT_EQ(r.exitCode, 0) << option << r.err.toStdString();
        const QString text = QString::fromUtf8(r.out);
        EXPECT_TRUE(text.startsWith(QStringLiteral("使い方 / Usage: qorn"))) << r.out.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("--version")));
        EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    }
    EXPECT_EQ(everything(home), before) << "no settings, lock or data written";
}

TEST(ProgramCommandLine, AnUnknownOptionEndsWithCode2AndSaysWhich) {
    const QString home = test::freshTempDir(QStringLiteral("cli-bogus"));
    const QProcessEnvironment env = isolated(home);
    const QStringList before = everything(home);
    for (const QStringList& args : {QStringList{QStringLiteral("--bogus")},
                                    QStringList{QStringLiteral("chart.qrd"), QStringLiteral("-x")}}) {
        const Outcome r = run(kProgram, args, env);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(args.last().toUtf8())) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("--help"));
    }
    EXPECT_EQ(everything(home), before);
}

TEST(InstalledProgram, StartsThroughItsLinkWithItsDataBesideTheRealExecutable) {
    const QString root = test::freshTempDir(QStringLiteral("installed"));
    const QString prefix = root + QStringLiteral("/prefix");
    const Outcome install = run(QStringLiteral(QORN_CMAKE),
                            {QStringLiteral("--install"), QStringLiteral(QORN_BINARY_DIR), QStringLiteral("--prefix"), prefix},
                            QProcessEnvironment::systemEnvironment(), 120000);
    ASSERT_TRUE(install.finished);
    ASSERT_EQ(install.exitCode, 0) << install.err.toStdString();

    // The layout a desktop and the program folder lookup rely on.
    const QFileInfo link(prefix + QStringLiteral("/bin/qorn"));
    ASSERT_TRUE(link.isSymLink());
    EXPECT_EQ(QFile::symLinkTarget(link.filePath()), prefix + QStringLiteral("/lib/qorn/qorn"));
    EXPECT_EQ(std::filesystem::read_symlink(QFile::encodeName(link.filePath()).toStdString()).string(),
              "../lib/qorn/qorn"); // still right when the tree moves
    for (const char* name : {"qorn", "defpal.dat", "qorn.sym", "Qorn.html"})
        EXPECT_TRUE(QFileInfo(prefix + QStringLiteral("/lib/qorn/") + QLatin1String(name)).isFile()) << name;
    EXPECT_EQ(test::readFile(prefix + QStringLiteral("/lib/qorn/defpal.dat")),
              test::readFile(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat")));
    EXPECT_FALSE(QFileInfo::exists(prefix + QStringLiteral("/bin/defpal.dat")));
    EXPECT_TRUE(test::readFile(prefix + QStringLiteral("/share/applications/qorn.desktop")).contains("Exec=qorn %f\n"));
    EXPECT_TRUE(test::readFile(prefix + QStringLiteral("/share/mime/packages/qorn.xml"))
                    .contains("type=\"application/x-qorn-qrd\""));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        QImageReader icon(prefix + QStringLiteral("/share/icons/hicolor/%1x%1/apps/qorn.png").arg(size));
        EXPECT_EQ(icon.format(), QByteArray("png")) << size;
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
    }
    EXPECT_TRUE(test::readFile(prefix + QStringLiteral("/share/icons/hicolor/scalable/apps/qorn.svg")).contains("<svg"));

    // A chart in a folder with spaces, handed over in pieces as a launcher without a shell does.
    const QString charts = root + QStringLiteral("/my charts");
    QDir().mkpath(charts);
    QImage picture(30, 20, QImage::Format_RGB32);
    picture.fill(Qt::white);
    ASSERT_TRUE(picture.save(charts + QStringLiteral("/heart 1.bmp"), "BMP"));
    test::writeFile(charts + QStringLiteral("/heart 1.qrd"), "\"BMP\",20,20,15\r\n");
    const QString home = root + QStringLiteral("/home");
    QProcessEnvironment env = isolated(home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("QORN_NOTICE_FIRST_PAINT"), QStringLiteral("1"));
    const QStringList pieces = (charts + QStringLiteral("/heart 1.qrd")).split(QLatin1Char(' '));
    ASSERT_EQ(pieces.size(), 3);

    // Without its data beside it the program would stop at a message box and never paint.
    const Outcome started = run(link.filePath(), pieces, env, 30000);
    ASSERT_TRUE(started.finished) << "no first paint: " << started.err.toStdString();
    EXPECT_EQ(started.exitCode, 0) << started.err.toStdString();
    EXPECT_TRUE(started.out.contains("first-paint"));
    // Opening the chart remembers its folder: the joined path was the chart.
    const QSettings kept(home + QStringLiteral("/config/QORN/QORN.conf"), QSettings::IniFormat);
    EXPECT_EQ(kept.value(QStringLiteral("Folders/LastFolder")).toString(), charts);
    // And the installed tree is as it was installed.
    EXPECT_FALSE(QFileInfo::exists(prefix + QStringLiteral("/lib/qorn/qrntmp.bmp")));
    EXPECT_EQ(QDir(prefix + QStringLiteral("/lib/qorn")).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("Qorn.html"), QStringLiteral("defpal.dat"), QStringLiteral("qorn"),
                           QStringLiteral("qorn.sym")}));
}
