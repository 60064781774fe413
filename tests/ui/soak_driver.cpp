// A random session of the real main window. Every dialog goes through the window's own services
// (message boxes, file dialogs, modal dialogs), answered here at random, so nothing waits for a
// user. Roads that would open a window of the system's own are not taken: the popup menus of a
// right click (on the status line, the tool bar and the motif thumbnail) only show menus whose
// items are triggered here directly.
#include "soak_driver.h"

#include "app/Form1.h"
#include "app/app_paths.h"
#include "app/editor_state.h"
#include "app/modal_runner.h"
#include "app/prompter.h"
#include "colour/frmColchk.h"
#include "colour/frmReduce.h"
#include "colour/palette_widgets.h"
#include "dialogs/cCommonDlg.h"
#include "dialogs/frmGauge.h"
#include "dialogs/spin_edit.h"
#include "document/pattern_files.h"
#include "document/recovery.h"
#include "imaging/codec_limits.h"
#include "imaging/raster.h"
#include "import/frmBmp.h"
#include "print/frmPrint.h"
#include "support/canvas_mouse.h"
#include "support/sample_images.h"
#include "tools/canvas_tools.h"
#include "tools/frmChar.h"
#include "tools/tool_bar.h"
#include "tools/tool_table.h"
#include "view/canvas_widgets.h"
#include "view/frmAll.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QPrinter>
#include <QRadioButton>
#include <QScrollBar>
#include <QSettings>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <stdexcept>
#include <vector>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
#define QORN_SOAK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define QORN_SOAK_SANITIZED 1
#endif
#endif
#ifdef QORN_SOAK_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

namespace qorn::test {
namespace {

std::string utf8(const QString& s) { return s.toStdString(); }

// ---- the record of what was done ---------------------------------------------------------------

class ActionLog {
public:
    static constexpr size_t kKept = 20;
    uint64_t seed = 0;
    int64_t step = 0;
    bool trace = false;

    void begin(int64_t number, const std::string& what) {
        step = number;
        steps_.push_back("#" + std::to_string(number) + " " + what);
        if (steps_.size() > kKept) steps_.pop_front();
        if (trace) std::fprintf(stderr, "soak %llu #%lld %s\n", static_cast<unsigned long long>(seed),
                                static_cast<long long>(number), what.c_str());
    }
    void note(const std::string& what) {
        if (steps_.empty()) steps_.emplace_back("(start)");
        std::string& last = steps_.back();
        if (last.size() < 4000) last += "\n      " + what;
        if (trace) std::fprintf(stderr, "      %s\n", what.c_str());
    }
    std::string recent() const {
        std::string out;
        for (const std::string& s : steps_) out += "  " + s + "\n";
        return out;
    }

private:
    std::deque<std::string> steps_;
};

// What a sanitizer report leaves behind: it ends the process before the test can say anything.
ActionLog* g_dyingLog = nullptr;
#ifdef QORN_SOAK_SANITIZED
void printLogOnDeath() {
    if (!g_dyingLog) return;
    std::fprintf(stderr, "\nsoak: seed %llu died at step %lld; the last steps:\n%s",
                 static_cast<unsigned long long>(g_dyingLog->seed), static_cast<long long>(g_dyingLog->step),
                 g_dyingLog->recent().c_str());
}
#endif

// ---- randomness --------------------------------------------------------------------------------

class Rng {
public:
    explicit Rng(uint64_t seed) : g_(seed) {}
    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(g_); }
    double real(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(g_); }
    bool chance(double p) { return std::bernoulli_distribution(p)(g_); }
    template <typename T> const T& pick(const std::vector<T>& items) {
        return items[static_cast<size_t>(range(0, int(items.size()) - 1))];
    }
    // An index by weight.
    size_t weighted(const std::vector<int>& weights) {
        int total = 0;
        for (int w : weights) total += w;
        int r = range(0, total - 1);
        for (size_t i = 0; i < weights.size(); ++i) {
            if (r < weights[i]) return i;
            r -= weights[i];
        }
        return weights.size() - 1;
    }

    // A field as a user may leave it: mostly a number in range, else anything.
    QString field(int lo, int hi) {
        if (chance(0.75)) return QString::number(range(lo, hi));
        static const std::vector<QString> odd = {
            QString(), QStringLiteral("abc"), QStringLiteral("-5"), QStringLiteral("0"), QStringLiteral("99999999999"),
            QStringLiteral(" 12 "), QStringLiteral("１２"), QStringLiteral("1e2"), QStringLiteral("0x10"),
            QStringLiteral("12abc"), QStringLiteral("2147483648"), QStringLiteral("-2147483649"), QStringLiteral("3.5"),
            QStringLiteral("+20"), QStringLiteral("&H20"), QStringLiteral("  "),
        };
        if (chance(0.3)) return QString::number(chance(0.5) ? hi + range(1, 50) : lo - range(1, 50));
        return pick(odd);
    }

private:
    std::mt19937_64 g_;
};

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// ---- the window's services, answered at random --------------------------------------------------

class SoakPrompter : public Prompter {
public:
    SoakPrompter(Rng& rng, ActionLog& log, std::map<std::string, int64_t>& counts)
        : rng_(rng), log_(log), counts_(counts) {}
    std::deque<int> forced;

    int MsgBox(const QString& prompt, int style, const QString& title) override {
        int answer = vbOK;
        if (!forced.empty()) {
            answer = forced.front();
            forced.pop_front();
        } else {
            switch (style & 0x0f) {
            case vbOKCancel: answer = rng_.chance(0.7) ? vbOK : vbCancel; break;
            case vbYesNoCancel: answer = std::vector<int>{vbYes, vbNo, vbCancel}[size_t(rng_.range(0, 2))]; break;
            case vbYesNo: answer = rng_.chance(0.5) ? vbYes : vbNo; break;
            default: answer = vbOK; break;
            }
        }
        ++counts_["msgbox"];
        static const std::map<int, const char*> names = {{vbOK, "OK"}, {vbCancel, "Cancel"}, {vbYes, "Yes"}, {vbNo, "No"}};
        QString shown = prompt;
        shown.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
        log_.note("message [" + utf8(title) + "] " + utf8(shown) + " -> " + names.at(answer));
        return answer;
    }

private:
    Rng& rng_;
    ActionLog& log_;
    std::map<std::string, int64_t>& counts_;
};

// The files a session works with, and the names its saves may leave.
struct FileShelf {
    QString folder;                 // the session's files
    std::vector<QString> openable;  // prepared files, damaged ones, a missing path, saved files
    std::vector<QString> symbols;   // symbol files for the pattern-file command
    std::set<QString> prepared;     // names made before the session
    std::set<QString> saveBases;    // base names (lower case) a save was told to use

    void rememberSave(const QString& path) {
        const QFileInfo info(path);
        if (info.absolutePath() != QFileInfo(folder).absoluteFilePath()) return;
        QString base = info.fileName().toLower();
        const int dot = base.lastIndexOf(QLatin1Char('.'));
        if (dot > 0) base.truncate(dot);
        saveBases.insert(base);
        saveBases.insert(info.fileName().toLower());
        if (std::find(openable.begin(), openable.end(), path) == openable.end()) openable.push_back(path);
    }
    // A file the session may find in its folder: prepared, or named by a save (with any one
    // extension after that name: the image and its side file).
    bool allowed(const QString& name) const {
        if (prepared.count(name)) return true;
        const QString lower = name.toLower();
        if (saveBases.count(lower)) return true;
        const int dot = lower.lastIndexOf(QLatin1Char('.'));
        return dot > 0 && saveBases.count(lower.left(dot));
    }
};

class SoakFiles : public FileDialogProvider {
public:
    SoakFiles(Rng& rng, ActionLog& log, std::map<std::string, int64_t>& counts, FileShelf& shelf)
        : rng_(rng), log_(log), counts_(counts), shelf_(shelf) {}

    std::optional<QString> showOpen(const cCommonDlg& d) override {
        ++counts_["open dialog"];
        if (rng_.chance(0.12)) return cancelled(d);
        const bool symbols = d.Filter.contains(QLatin1String("SYM"));
        // A file dialog that insists on an existing file offers nothing else; missing files and
        // folders come by other roads (dropped, on the command line, in the recent list).
        std::vector<QString> offered;
        for (const QString& p : symbols ? shelf_.symbols : shelf_.openable)
            if (!(d.Flags & cCommonDlg::FileMustExist) || QFileInfo(p).isFile()) offered.push_back(p);
        if (offered.empty()) return cancelled(d);
        const QString path = rng_.pick(offered);
        log_.note("open dialog [" + utf8(d.DialogTitle) + "] -> " + utf8(QFileInfo(path).fileName()));
        return path;
    }
    std::optional<QString> showSave(const cCommonDlg& d) override {
        ++counts_["save dialog"];
        if (rng_.chance(0.12)) return cancelled(d);
        // The dialog asks before overwriting, and only offers folders that exist.
        QString path;
        if (rng_.chance(0.05)) {
            path = rng_.pick(shelf_.openable);
            if (!QFileInfo(path).isFile()) path = shelf_.folder + QStringLiteral("/rose.bmp");
        } else {
            static const std::vector<QString> exts = {
                QStringLiteral("bmp"), QStringLiteral("bmp"), QStringLiteral("bmp"), QStringLiteral("tif"),
                QStringLiteral("pcx"), QStringLiteral("BMP"), QStringLiteral("jpg"), QStringLiteral("ico"),
                QStringLiteral("txt"), QStringLiteral("pdf"), QString(), QStringLiteral("qrd")};
            const QString ext = d.DefaultExt == QLatin1String("txt") || d.DefaultExt == QLatin1String("pdf")
                                    ? (rng_.chance(0.8) ? d.DefaultExt : rng_.pick(exts))
                                    : rng_.pick(exts);
            path = shelf_.folder + QStringLiteral("/out%1").arg(rng_.range(0, 6)) +
                   (ext.isEmpty() ? QString() : QLatin1Char('.') + ext);
        }
        shelf_.rememberSave(path);
        log_.note("save dialog [" + utf8(d.DialogTitle) + "] -> " + utf8(QDir(shelf_.folder).relativeFilePath(path)));
        return path;
    }
    bool showHelp(const cCommonDlg&) override {
        ++counts_["help"];
        const bool shown = rng_.chance(0.5);
        log_.note(shown ? "help shown" : "help unavailable");
        return shown;
    }
    bool showPrinter(const cCommonDlg& d) override {
        ++counts_["printer dialog"];
        if (!rng_.chance(0.6) || !d.Printer) {
            log_.note("printer dialog -> Cancel");
            return false;
        }
        if (rng_.chance(0.5)) {
            const QString pdf = shelf_.folder + QStringLiteral("/printed%1.pdf").arg(rng_.range(0, 2));
            shelf_.rememberSave(pdf);
            d.Printer->setOutputFileName(pdf);
            log_.note("printer dialog -> OK, to " + utf8(QFileInfo(pdf).fileName()));
        } else {
            d.Printer->setOutputFileName(QString());
            log_.note("printer dialog -> OK, default printer");
        }
        return true;
    }

private:
    std::optional<QString> cancelled(const cCommonDlg& d) {
        log_.note("file dialog [" + utf8(d.DialogTitle) + "] -> Cancel");
        return std::nullopt;
    }
    Rng& rng_;
    ActionLog& log_;
    std::map<std::string, int64_t>& counts_;
    FileShelf& shelf_;
};

// ---- the session -------------------------------------------------------------------------------

class Session : public ModalRunner {
public:
    Session(const SoakRun& run, SoakOutcome& outcome)
        : run_(run), out_(outcome), rng_(run.seed), prompter_(rng_, log_, outcome.counts),
          files_(rng_, log_, outcome.counts, shelf_) {
        log_.seed = run.seed;
        log_.trace = run.trace;
    }

    void execute();

    // Dialogs of the window: filled in and answered as a user might.
    int exec(QDialog& dialog) override;

private:
    struct MenuItem {
        QAction* action;
        std::vector<QMenu*> path;
    };
    static std::string nameOf(const MenuItem& item);
    // The item that runs `action`, with the menus above it.
    std::optional<MenuItem> itemOf(QAction* action) const;

    // Set-up and the window's life.
    void prepareFolders();
    void prepareFiles();
    void startWindow(const QString& commandLine);
    void collectMenus();
    QStringList listing(const QString& folder) const;

    // Steps.
    void step();
    void menuCommand(bool governed = false);
    void trigger(const MenuItem& item);
    void trigger(QAction* action) {
        if (const auto item = itemOf(action)) trigger(*item);
    }
    void selectThenCommand();
    void motif();
    void exitAndRestart(bool fromMenu = false);
    void toolbarButton();
    void toolButton();
    void canvasGesture();
    void hover();
    void key();
    void paletteClick();
    void scrollOrWheel();
    void resizeWindow();
    void dropFile();
    void statusDoubleClick();
    void motifThumbnail();
    void externalClipboard();
    void idle();
    void shrinkWhenHuge();

    // Dialog answers.
    void answerGauge(frmGauge& d);
    void answerColour(frmColchk& d);
    void answerReduce(frmReduce& d);
    void answerImport(frmBmp& d);
    void answerPrint(frmPrint& d);
    void answerText(frmChar& d);

    // Checks.
    void check();
    [[noreturn]] void fail(const std::string& what);
    QPointF stitchPoint();
    void sendMouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held,
                   Qt::KeyboardModifiers mods, const char* what);

    Form1& f() { return *form_; }

    const SoakRun& run_;
    SoakOutcome& out_;
    ActionLog log_;
    Rng rng_;
    FileShelf shelf_;
    SoakPrompter prompter_;
    SoakFiles files_;
    std::unique_ptr<Form1> form_;
    QString programDir_, tempDir_, recoveryDir_;
    QStringList programBefore_;
    int modalDepth_ = 0;
    // A press on the canvas whose release went elsewhere (a drag that left the window).
    std::optional<Qt::MouseButton> held_;

    std::vector<MenuItem> menus_;
};

// ---- set-up ------------------------------------------------------------------------------------

void Session::prepareFolders() {
    QDir(run_.folder).removeRecursively();
    programDir_ = run_.folder + QStringLiteral("/program");
    tempDir_ = run_.folder + QStringLiteral("/tmp");
    recoveryDir_ = programDir_ + QStringLiteral("/recovery");
    shelf_.folder = run_.folder + QStringLiteral("/files");
    for (const QString& d : {programDir_, tempDir_, shelf_.folder}) QDir().mkpath(d);
    QFile::copy(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"), programDir_ + QStringLiteral("/defpal.dat"));
    QFile::copy(QStringLiteral(QORN_SOURCE_DIR "/data/qorn.sym"), programDir_ + QStringLiteral("/qorn.sym"));
    setProgramFolderOverride(programDir_);
    setRecoveryFolderOverride(recoveryDir_);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, programDir_ + QStringLiteral("/settings"));
    programBefore_ = listing(programDir_);
}

void Session::prepareFiles() {
    const QString& dir = shelf_.folder;
    Palette palette;
    palette.load(programDir_ + QStringLiteral("/defpal.dat"));
    auto entry = [&](int i) { return rgbFromColorRef(palette[i]); };
    auto keep = [&](const QString& name, bool openable = true) {
        shelf_.prepared.insert(name);
        if (openable) shelf_.openable.push_back(dir + QLatin1Char('/') + name);
    };

    // Patterns with side files.
    QImage rose(24, 30, QImage::Format_RGB32);
    for (int y = 0; y < rose.height(); ++y)
        for (int x = 0; x < rose.width(); ++x) rose.setPixel(x, y, entry((x * 7 + y * 3) % 40));
    rose.save(dir + QStringLiteral("/rose.bmp"));
    writeFile(dir + QStringLiteral("/rose.qrd"), qrdText({QStringLiteral("bmp"), 22, 30, 12}));
    keep(QStringLiteral("rose.bmp"));
    keep(QStringLiteral("rose.qrd"));
    Raster pcx;
    pcx.setImage(photoLikeImage(40, 25, 7));
    pcx.save(dir + QStringLiteral("/leaf.pcx"), FormatPcx);
    writeFile(dir + QStringLiteral("/leaf.qrd"), qrdText({QStringLiteral("pcx"), 18, 26, 15}));
    keep(QStringLiteral("leaf.pcx"));
    keep(QStringLiteral("leaf.qrd"));
    QImage wide(160, 12, QImage::Format_RGB32);
    wide.fill(entry(5));
    wide.save(dir + QStringLiteral("/band.bmp"));
    writeFile(dir + QStringLiteral("/band.qrd"), qrdText({QStringLiteral("bmp"), 10, 200, 3}));
    keep(QStringLiteral("band.bmp"));
    keep(QStringLiteral("band.qrd"));
    // Side files that must be refused: a gauge out of range, a background past the palette,
    // an image that is not there, and bytes that are no list at all.
    writeFile(dir + QStringLiteral("/badgauge.qrd"), qrdText({QStringLiteral("bmp"), 5, 999, 15}));
    writeFile(dir + QStringLiteral("/badgauge.bmp"), QByteArray());
    keep(QStringLiteral("badgauge.qrd"));
    shelf_.prepared.insert(QStringLiteral("badgauge.bmp"));
    writeFile(dir + QStringLiteral("/nopic.qrd"), qrdText({QStringLiteral("tif"), 20, 20, 15}));
    keep(QStringLiteral("nopic.qrd"));
    writeFile(dir + QStringLiteral("/garbage.qrd"), QByteArray("\x01\x02\"bmp,,,\r\n\xff\xfe", 12));
    keep(QStringLiteral("garbage.qrd"));

    // Pictures to import.
    photoLikeImage(60, 40, 3).save(dir + QStringLiteral("/photo.png"));
    keep(QStringLiteral("photo.png"));
    photoLikeImage(50, 30, 4).save(dir + QStringLiteral("/photo.jpg"));
    keep(QStringLiteral("photo.jpg"));
    photoLikeImage(400, 10, 5).save(dir + QStringLiteral("/wide.png"));
    keep(QStringLiteral("wide.png"));
    photoLikeImage(12, 300, 6).save(dir + QStringLiteral("/tall.bmp"));
    keep(QStringLiteral("tall.bmp"));
    allIndicesImage(16, 16).save(dir + QStringLiteral("/indexed.bmp"));
    keep(QStringLiteral("indexed.bmp"));
    QImage tiny(3, 2, QImage::Format_ARGB32);
    tiny.fill(qRgba(10, 200, 30, 128));
    tiny.save(dir + QStringLiteral("/tiny.png"));
    keep(QStringLiteral("tiny.png"));
    writeFile(dir + QStringLiteral("/icons.ico"), iconFile({16, 32, 48}));
    keep(QStringLiteral("icons.ico"));
    writeFile(dir + QStringLiteral("/pointer.cur"), iconFile({32}, 2));
    keep(QStringLiteral("pointer.cur"));

    // Damaged and missing files, a folder and a text.
    QByteArray cut = readFile(dir + QStringLiteral("/tall.bmp"));
    cut.truncate(cut.size() / 3);
    writeFile(dir + QStringLiteral("/cut.bmp"), cut);
    keep(QStringLiteral("cut.bmp"));
    QByteArray lying = readFile(dir + QStringLiteral("/rose.bmp"));
    if (lying.size() > 26) {
        lying[18] = char(0xff); // a width far past the data
        lying[19] = char(0x7f);
    }
    writeFile(dir + QStringLiteral("/lying.bmp"), lying);
    keep(QStringLiteral("lying.bmp"));
    writeFile(dir + QStringLiteral("/empty.bmp"), QByteArray());
    keep(QStringLiteral("empty.bmp"));
    writeFile(dir + QStringLiteral("/notes.txt"), "just words\n");
    keep(QStringLiteral("notes.txt"));
    writeFile(dir + QStringLiteral("/fake.pcx"), QByteArray(200, '\x0a'));
    keep(QStringLiteral("fake.pcx"));
    QDir().mkpath(dir + QStringLiteral("/sub"));
    keep(QStringLiteral("sub"));
    shelf_.openable.push_back(dir + QStringLiteral("/missing.bmp"));
    shelf_.openable.push_back(dir + QStringLiteral("/missing.qrd"));

    // Symbol files: the shipped one, one cut short, one missing.
    QFile::copy(programDir_ + QStringLiteral("/qorn.sym"), dir + QStringLiteral("/alt.sym"));
    shelf_.prepared.insert(QStringLiteral("alt.sym"));
    QByteArray shortSym = readFile(dir + QStringLiteral("/alt.sym"));
    shortSym.truncate(shortSym.size() / 2);
    writeFile(dir + QStringLiteral("/short.sym"), shortSym);
    shelf_.prepared.insert(QStringLiteral("short.sym"));
    shelf_.symbols = {dir + QStringLiteral("/alt.sym"), dir + QStringLiteral("/short.sym"),
                      programDir_ + QStringLiteral("/qorn.sym")};
}

QStringList Session::listing(const QString& folder) const {
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

void Session::startWindow(const QString& commandLine) {
    form_ = std::make_unique<Form1>(
        Form1::Services{&prompter_, this, programDir_ + QStringLiteral("/qorn.lock"), &files_});
    if (!commandLine.isEmpty()) log_.note("started with " + utf8(QFileInfo(commandLine).fileName()));
    if (!form_->Form_Load(commandLine)) fail("the window did not start");
    // Short delays, so the copy of unsaved work is written often while the session runs.
    form_->setRecoveryDelays(rng_.range(1, 40), rng_.range(50, 400));
    collectMenus();
}

void Session::collectMenus() {
    menus_.clear();
    std::function<void(QMenu*, std::vector<QMenu*>)> walk = [&](QMenu* menu, std::vector<QMenu*> path) {
        path.push_back(menu);
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            if (a->menu()) walk(a->menu(), path);
            else menus_.push_back({a, path});
        }
    };
    for (QAction* top : f().menuBar()->actions())
        if (top->menu()) walk(top->menu(), {});
}

std::string Session::nameOf(const MenuItem& item) {
    std::string name;
    for (QMenu* m : item.path) name += utf8(m->title()) + " > ";
    return name + utf8(item.action->text());
}

std::optional<Session::MenuItem> Session::itemOf(QAction* action) const {
    for (const MenuItem& item : menus_)
        if (item.action == action) return item;
    return std::nullopt;
}

// ---- the steps ---------------------------------------------------------------------------------

void Session::execute() {
    prepareFolders();
    prepareFiles();
    const QByteArray oldTemp = qgetenv("TMPDIR");
    // Whatever the program puts into the temporary folder lands here, where it is counted.
    qputenv("TMPDIR", QFile::encodeName(tempDir_));
    const bool quitOnClose = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    g_dyingLog = &log_;
#ifdef QORN_SOAK_SANITIZED
    __sanitizer_set_death_callback(printLogOnDeath);
#endif
    QElapsedTimer clock;
    clock.start();
    try {
        log_.begin(0, "start");
        startWindow(QString());
        check();
        for (int64_t n = 1;; ++n) {
            if (run_.maxSteps > 0 && n > run_.maxSteps) break;
            if (run_.maxSeconds > 0 && clock.elapsed() >= run_.maxSeconds * 1000) break;
            log_.step = n;
            try {
                step();
            } catch (const Failure&) {
                throw;
            } catch (const std::exception& e) {
                fail(std::string("an exception left the window: ") + e.what());
            } catch (...) {
                fail("an exception left the window");
            }
            if (n == run_.sabotageStep && run_.sabotage && form_) run_.sabotage(*form_);
            check();
            out_.steps = n;
        }
    } catch (const Failure&) {
        // The report is written.
    }
    if (form_) {
        // Whatever the session left unsaved is thrown away without a question.
        if (form_->state().qrnobj) form_->state().qrnobj->chgflg = false;
        form_.reset();
    }
    QGuiApplication::clipboard()->clear();
    g_dyingLog = nullptr;
    QApplication::setQuitOnLastWindowClosed(quitOnClose);
    if (oldTemp.isNull()) qunsetenv("TMPDIR");
    else qputenv("TMPDIR", oldTemp);
    setProgramFolderOverride({});
    setRecoveryFolderOverride({});
    if (!out_.failed) QDir(run_.folder).removeRecursively();
}

void Session::step() {
    const int64_t n = log_.step;
    ++out_.counts["steps"];
    // The session starts on a pattern from a file and a gauge of its own.
    if (n == 1) {
        log_.begin(n, "open a pattern");
        trigger(f().mnuOpen);
        return;
    }
    if (n == 2) {
        log_.begin(n, "change the gauge");
        trigger(f().mnuGauge);
        return;
    }
    if (held_) {
        // The release of a drag that left the canvas comes back sooner or later.
        if (rng_.chance(0.5)) {
            log_.begin(n, "release the held button");
            sendMouse(QEvent::MouseButtonRelease, stitchPoint(), *held_, Qt::NoButton, {}, "release");
            held_.reset();
            QCoreApplication::processEvents();
            return;
        }
    }
    const EditorState& s = f().state();
    if (int64_t(s.LeadSrc.width()) * s.LeadSrc.height() > 300000 && rng_.chance(0.3)) return shrinkWhenHuge();

    enum Kind {
        Menu, Toolbar, ToolBtn, Gesture, Hover, Key, Palette, Colours, Fill, Scroll, Resize, Drop, Status,
        Motif, Clipboard, Idle, Exit, Selected
    };
    const std::vector<int> weights = {24, 8, 9, 22, 7, 4, 5, 1, 1, 3, 1, 2, 1, 3, 2, 1, 1, 6};
    switch (static_cast<Kind>(rng_.weighted(weights))) {
    case Menu: menuCommand(); break;
    case Selected: selectThenCommand(); break;
    case Toolbar: toolbarButton(); break;
    case ToolBtn: toolButton(); break;
    case Gesture: canvasGesture(); break;
    case Hover: hover(); break;
    case Key: key(); break;
    case Palette: paletteClick(); break;
    case Colours:
        log_.begin(n, "click the current colours");
        {
            QMouseEvent e(QEvent::MouseButtonPress, QPointF(5, 5), f().Nowcolor->mapToGlobal(QPointF(5, 5)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(f().Nowcolor, &e);
        }
        break;
    case Fill:
        log_.begin(n, "click the figure fill box");
        f().Fillmode->click();
        break;
    case Scroll: scrollOrWheel(); break;
    case Resize: resizeWindow(); break;
    case Drop: dropFile(); break;
    case Status: statusDoubleClick(); break;
    case Motif: motif(); break;
    case Clipboard: externalClipboard(); break;
    case Idle: idle(); break;
    case Exit: exitAndRestart(); break;
    }
    QCoreApplication::processEvents();
}

void Session::trigger(const MenuItem& item) {
    QAction* action = item.action;
    const std::string name = nameOf(item);
    log_.note("menu " + name);
    // Opening each menu on the way brings its items up to date, as it does for a user.
    for (QMenu* m : item.path) emit m->aboutToShow();
    bool reachable = action->isEnabled() && action->isVisible();
    for (QMenu* m : item.path)
        reachable = reachable && m->menuAction()->isEnabled() && m->menuAction()->isVisible();
    if (!reachable) {
        log_.note("(disabled) " + name);
        ++out_.counts["menu disabled"];
        return;
    }
    ++out_.counts["menu " + name];
    if (action == f().mnuExit) return exitAndRestart(true);
    action->trigger();
}

void Session::menuCommand(bool governed) {
    const MenuItem item = rng_.pick(menus_);
    log_.begin(log_.step, governed ? "menu (to shrink)" : "menu");
    trigger(item);
}

void Session::exitAndRestart(bool fromMenu) {
    if (!fromMenu) log_.begin(log_.step, "exit the program");
    ++out_.counts["exit asked"];
    for (QMenu* m : {f().mnuFile}) emit m->aboutToShow();
    f().mnuExit->trigger();
    QCoreApplication::processEvents();
    if (f().state().qrnobj) {
        log_.note("exit cancelled");
        if (!f().isVisible()) fail("the window went away but the program did not end");
        return;
    }
    ++out_.counts["exit done"];
    if (f().isVisible()) fail("the program ended but its window is still shown");
    form_.reset();
    held_.reset();
    QCoreApplication::processEvents();
    // Saved or thrown away at the end: nothing is left for the next start to offer.
    const QStringList left = QDir(recoveryDir_).entryList(QDir::Files | QDir::Hidden | QDir::System);
    if (!left.isEmpty()) fail("a normal end left recovery files: " + utf8(left.join(QLatin1Char(' '))));
    const QString commandLine = rng_.chance(0.3) ? rng_.pick(shelf_.openable) : QString();
    startWindow(commandLine);
}

void Session::selectThenCommand() {
    log_.begin(log_.step, "select, then a command");
    ++out_.counts["select then command"];
    const int how = rng_.range(0, 4);
    if (how == 0) {
        trigger(f().mnuSelectAll);
    } else {
        if (how == 1) trigger(f().mnuSelect);
        else if (QToolButton* b = f().TBTools->button(f().TBTools->numberOfKey(QStringLiteral("t0"))); b->isEnabled())
            b->click();
        const EditorState& s = f().state();
        const int W = s.LeadSrc.width(), H = s.LeadSrc.height();
        const QPointF a(rng_.range(-2, W), rng_.range(-2, H));
        const QPointF b = rng_.chance(0.8) ? QPointF(rng_.range(0, W + 2), rng_.range(0, H + 2)) : stitchPoint();
        sendMouse(QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton, {}, "press");
        sendMouse(QEvent::MouseMove, (a + b) / 2, Qt::NoButton, Qt::LeftButton, {}, "move");
        sendMouse(QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton, {}, "move");
        sendMouse(QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton, {}, "release");
    }
    if (!form_) return;
    Form1& w = f();
    const std::vector<QAction*> commands = {
        w.mnuCut, w.mnuCopy, w.mnuCopy, w.mnuDelete, w.mnuReverses[0], w.mnuReverses[1], w.mnuEditGscale,
        w.mnuSizeSel, w.mnuColorChange, w.mnuColorChk, w.mnuSave, w.mnuSaveAs, w.mnuFilePrint, w.mnuPrint,
        w.mnuPaste, nullptr};
    if (QAction* a = rng_.pick(commands)) return trigger(a);
    const bool escape = rng_.chance(0.5);
    log_.note(escape ? "key Escape" : "key Delete");
    QKeyEvent e(QEvent::KeyPress, escape ? Qt::Key_Escape : Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(w.Picdisplay, &e);
}

void Session::motif() {
    if (rng_.chance(0.4)) {
        log_.begin(log_.step, "choose a motif");
        ++out_.counts["motif chosen"];
        trigger(f().mnuMotifSel);
        return;
    }
    if (rng_.chance(0.5)) {
        log_.begin(log_.step, "paste the motif");
        ++out_.counts["motif pasted"];
        trigger(f().mnuMotifPaste);
        return;
    }
    motifThumbnail();
}

void Session::toolbarButton() {
    std::vector<QAction*> buttons;
    for (QAction* a : f().TbMenu->actions())
        if (!a->isSeparator()) buttons.push_back(a);
    QAction* a = rng_.pick(buttons);
    log_.begin(log_.step, "tool bar " + a->data().toString().toStdString());
    if (!a->isEnabled()) {
        log_.note("(disabled)");
        return;
    }
    ++out_.counts["toolbar " + a->data().toString().toStdString()];
    a->trigger();
}

void Session::toolButton() {
    const int n = rng_.range(1, ToolButtonBar::kButtons);
    QToolButton* b = f().TBTools->button(n);
    log_.begin(log_.step, "tool button " + utf8(f().TBTools->key(n)) + " (" + utf8(b->toolTip()) + ")");
    if (!b->isEnabled()) {
        log_.note("(disabled)");
        return;
    }
    ++out_.counts["tool button"];
    b->click();
}

QPointF Session::stitchPoint() {
    const EditorState& s = f().state();
    const double w = s.LeadSrc.width(), h = s.LeadSrc.height();
    if (rng_.chance(0.4)) return QPointF(rng_.range(0, int(w)), rng_.range(0, int(h)));
    return QPointF(rng_.real(-3, w + 3), rng_.real(-3, h + 3));
}

void Session::sendMouse(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons held,
                        Qt::KeyboardModifiers mods, const char* what) {
    std::ostringstream text;
    text.precision(4);
    text << what << " " << at.x() << "," << at.y();
    if (button) text << (button == Qt::LeftButton ? " left" : button == Qt::RightButton ? " right" : " middle");
    if (mods & Qt::ShiftModifier) text << " +shift";
    log_.note(text.str());
    send(f().Picdisplay, type, f(), at, button, held, mods);
}

void Session::canvasGesture() {
    static const std::vector<Qt::MouseButton> buttons = {Qt::LeftButton, Qt::LeftButton, Qt::LeftButton,
                                                         Qt::RightButton, Qt::RightButton, Qt::MiddleButton};
    const Qt::MouseButton button = rng_.pick(buttons);
    const Qt::KeyboardModifiers mods = rng_.chance(0.15) ? Qt::ShiftModifier : Qt::NoModifier;
    log_.begin(log_.step, "canvas gesture, tool " + std::to_string(f().state().ToolState));
    ++out_.counts["gesture"];
    if (rng_.chance(0.03)) {
        // A release without its press: the second click of a double click that closed a dialog.
        sendMouse(QEvent::MouseButtonRelease, stitchPoint(), button, Qt::NoButton, mods, "release alone");
        return;
    }
    if (held_) {
        sendMouse(QEvent::MouseButtonRelease, stitchPoint(), *held_, Qt::NoButton, {}, "release");
        held_.reset();
    }
    sendMouse(QEvent::MouseButtonPress, stitchPoint(), button, button, mods, "press");
    const int moves = rng_.range(0, 5);
    for (int i = 0; i < moves; ++i) {
        if (!form_ || !f().state().qrnobj) return;
        if (rng_.chance(0.05)) {
            const Qt::Key k = rng_.chance(0.5) ? Qt::Key_Escape : Qt::Key_Delete;
            log_.note(k == Qt::Key_Escape ? "key Escape" : "key Delete");
            QKeyEvent e(QEvent::KeyPress, k, Qt::NoModifier);
            QApplication::sendEvent(f().Picdisplay, &e);
        }
        if (rng_.chance(0.05)) {
            // The other button pressed and let go while this one is down.
            const Qt::MouseButton other = button == Qt::LeftButton ? Qt::RightButton : Qt::LeftButton;
            const QPointF at = stitchPoint();
            sendMouse(QEvent::MouseButtonPress, at, other, button | other, mods, "press");
            sendMouse(QEvent::MouseButtonRelease, at, other, button, mods, "release");
        }
        sendMouse(QEvent::MouseMove, stitchPoint(), Qt::NoButton, button, mods, "move");
    }
    if (rng_.chance(0.02)) {
        // The pointer left the window with the button down; its release comes later.
        log_.note("(release lost for now)");
        held_ = button;
        return;
    }
    sendMouse(QEvent::MouseButtonRelease, stitchPoint(), button, Qt::NoButton, mods, "release");
}

void Session::hover() {
    log_.begin(log_.step, "hover");
    const int moves = rng_.range(1, 6);
    const Qt::KeyboardModifiers mods = rng_.chance(0.1) ? Qt::ShiftModifier : Qt::NoModifier;
    for (int i = 0; i < moves; ++i) sendMouse(QEvent::MouseMove, stitchPoint(), Qt::NoButton, Qt::NoButton, mods, "move");
}

void Session::key() {
    static const std::vector<std::pair<Qt::Key, const char*>> keys = {
        {Qt::Key_Escape, "Escape"}, {Qt::Key_Escape, "Escape"}, {Qt::Key_Delete, "Delete"},
        {Qt::Key_Delete, "Delete"}, {Qt::Key_Return, "Return"}, {Qt::Key_A, "A"}};
    const auto& k = rng_.pick(keys);
    log_.begin(log_.step, std::string("key ") + k.second);
    ++out_.counts[std::string("key ") + k.second];
    QKeyEvent e(QEvent::KeyPress, k.first, Qt::NoModifier);
    QApplication::sendEvent(f().Picdisplay, &e);
}

void Session::paletteClick() {
    static const std::vector<Qt::MouseButton> buttons = {Qt::LeftButton, Qt::LeftButton, Qt::RightButton,
                                                         Qt::MiddleButton};
    const Qt::MouseButton b = rng_.pick(buttons);
    const int side = 16 * PaletteBox::kCell;
    const QPointF at(rng_.real(-4, side + 4), rng_.real(-4, side + 4));
    log_.begin(log_.step, "palette " + std::string(b == Qt::LeftButton ? "left" : b == Qt::RightButton ? "right" : "middle") +
                              " at " + std::to_string(int(at.x())) + "," + std::to_string(int(at.y())));
    ++out_.counts["palette"];
    QMouseEvent press(QEvent::MouseButtonPress, at, f().Palbox->mapToGlobal(at), b, b, Qt::NoModifier);
    QApplication::sendEvent(f().Palbox, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, f().Palbox->mapToGlobal(at), b, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(f().Palbox, &release);
}

void Session::scrollOrWheel() {
    if (rng_.chance(0.5)) {
        QScrollBar* bar = rng_.chance(0.5) ? f().HScroll1 : f().VScroll1;
        const int v = rng_.range(bar->minimum(), std::max(bar->minimum(), bar->maximum()));
        log_.begin(log_.step, std::string(bar == f().HScroll1 ? "horizontal" : "vertical") + " bar to " + std::to_string(v));
        if (bar->isVisible()) bar->setValue(v);
        return;
    }
    static const std::vector<Qt::KeyboardModifiers> mods = {Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier};
    const Qt::KeyboardModifiers m = rng_.pick(mods);
    const int delta = rng_.pick(std::vector<int>{120, -120, 240, -240, 40, -40});
    log_.begin(log_.step, "wheel " + std::to_string(delta) + (m == Qt::ControlModifier ? " +ctrl" : m == Qt::ShiftModifier ? " +shift" : ""));
    ++out_.counts["wheel"];
    const QPointF at(10, 10);
    QWheelEvent e(at, f().Picdisplay->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, m, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(f().Picdisplay, &e);
}

void Session::resizeWindow() {
    const QSize min = f().minimumSize();
    const QSize to(rng_.range(min.width(), 1400), rng_.range(min.height(), 1000));
    log_.begin(log_.step, "resize the window to " + std::to_string(to.width()) + "x" + std::to_string(to.height()));
    f().resize(to);
}

void Session::dropFile() {
    const QString path = rng_.pick(shelf_.openable);
    log_.begin(log_.step, "drop " + utf8(QFileInfo(path).fileName()) + " on the canvas");
    ++out_.counts["drop"];
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    const QPointF at(5, 5);
    QDropEvent e(at, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f().Picdisplay, &e);
    // The file is opened once the drop is over.
    QCoreApplication::processEvents();
}

void Session::statusDoubleClick() {
    QLabel* label = rng_.pick(std::vector<QLabel*>{f().Label1, f().Label2, f().Label3});
    log_.begin(log_.step, "double click on the status line");
    const QPointF at(4, 4);
    QMouseEvent e(QEvent::MouseButtonDblClick, at, label->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QApplication::sendEvent(label, &e);
}

void Session::motifThumbnail() {
    log_.begin(log_.step, "click the motif thumbnail");
    ++out_.counts["motif thumbnail"];
    const QPointF at(4, 4);
    QMouseEvent e(QEvent::MouseButtonRelease, at, f().ImgMotif->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(f().ImgMotif, &e);
}

void Session::externalClipboard() {
    QClipboard* clip = QGuiApplication::clipboard();
    const int kind = rng_.range(0, 5);
    if (kind == 0) {
        log_.begin(log_.step, "another program copies text");
        clip->setText(QStringLiteral("some words"));
        return;
    }
    if (kind == 1) {
        log_.begin(log_.step, "another program clears the clipboard");
        clip->clear();
        return;
    }
    const EditorState& s = f().state();
    const std::vector<QSize> sizes = {{1, 1}, {5, 4}, {30, 20}, {s.LeadSrc.width() - 1, s.LeadSrc.height() - 1},
                                      {s.LeadSrc.width() + 3, s.LeadSrc.height() + 3}, {250, 180}, {640, 20}};
    QSize size = rng_.pick(sizes);
    size = size.expandedTo(QSize(1, 1));
    const bool alpha = rng_.chance(0.3);
    QImage picture = photoLikeImage(size.width(), size.height(), uint32_t(rng_.range(1, 1000)));
    if (alpha) {
        picture = picture.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width() / 2; ++x) picture.setPixel(x, y, picture.pixel(x, y) & 0x40ffffff);
    }
    log_.begin(log_.step, "another program copies a picture of " + std::to_string(size.width()) + "x" +
                              std::to_string(size.height()) + (alpha ? " with transparency" : ""));
    ++out_.counts["foreign picture"];
    clip->setImage(picture);
}

void Session::idle() {
    const int ms = rng_.range(1, 30);
    log_.begin(log_.step, "wait " + std::to_string(ms) + " ms");
    QThread::msleep(static_cast<unsigned long>(ms));
    QCoreApplication::processEvents();
}

void Session::shrinkWhenHuge() {
    // Very large patterns make every later step slow: the user starts anew or cuts the size.
    ++out_.counts["shrink"];
    if (rng_.chance(0.5)) {
        log_.begin(log_.step, "new pattern (the last one grew huge)");
        prompter_.forced = {vbNo};
        if (QAction* a = f().tbButton(QStringLiteral("new")); a->isEnabled()) a->trigger();
        prompter_.forced.clear();
        return;
    }
    log_.begin(log_.step, "undo (the pattern grew huge)");
    if (f().mnuUndo->isEnabled()) f().mnuUndo->trigger();
    else {
        prompter_.forced = {vbNo};
        f().tbButton(QStringLiteral("new"))->trigger();
        prompter_.forced.clear();
    }
}

// ---- dialogs -----------------------------------------------------------------------------------

int Session::exec(QDialog& dialog) {
    ++modalDepth_;
    // As a dialog's own exec() does, whatever an earlier use left.
    dialog.setResult(0);
    const std::string title = utf8(dialog.windowTitle());
    if (auto* d = dynamic_cast<frmGauge*>(&dialog)) answerGauge(*d);
    else if (auto* d = dynamic_cast<frmColchk*>(&dialog)) answerColour(*d);
    else if (auto* d = dynamic_cast<frmReduce*>(&dialog)) answerReduce(*d);
    else if (auto* d = dynamic_cast<frmBmp*>(&dialog)) answerImport(*d);
    else if (auto* d = dynamic_cast<frmPrint*>(&dialog)) answerPrint(*d);
    else if (auto* d = dynamic_cast<frmChar*>(&dialog)) answerText(*d);
    else if (auto* d = dynamic_cast<frmAll*>(&dialog)) {
        ++out_.counts["dialog frmAll"];
        log_.note("dialog [" + title + "] -> Ok");
        d->Command1->click();
    } else if (dynamic_cast<QPrintPreviewDialog*>(&dialog)) {
        ++out_.counts["dialog preview"];
        log_.note("print preview -> closed");
    } else {
        ++out_.counts["dialog unknown"];
        log_.note("unknown dialog [" + title + "] -> closed");
    }
    // A dialog left open by a refused Ok is closed, as a user gives up.
    if (dialog.result() != QDialog::Accepted) dialog.reject();
    --modalDepth_;
    return dialog.result();
}

void Session::answerGauge(frmGauge& d) {
    const bool gauge = d.mode() == frmGauge::Mode::Gauge;
    ++out_.counts[gauge ? "dialog gauge" : "dialog size"];
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (rng_.chance(0.15)) {
            log_.note(std::string(gauge ? "gauge" : "size") + " -> Cancel");
            d.comCan_Click();
            return;
        }
        if (gauge) {
            // Mostly ordinary gauges; the extremes stretch the rows by up to twenty times.
            const bool usual = rng_.chance(0.7);
            d.MeText->setText(usual ? QString::number(rng_.range(14, 30)) : rng_.field(10, 200));
            d.DanText->setText(usual ? QString::number(rng_.range(14, 34)) : rng_.field(10, 200));
        } else {
            d.MeText->setText(rng_.field(5, 200));
            d.DanText->setText(rng_.field(5, 400));
        }
        log_.note(std::string(gauge ? "gauge" : "size") + " '" + utf8(d.MeText->text()) + "' x '" +
                  utf8(d.DanText->text()) + "' -> Ok");
        d.comOk_Click();
        if (d.Tag == QLatin1String("1")) return;
    }
}

void Session::answerColour(frmColchk& d) {
    ++out_.counts["dialog colour " + std::to_string(int(d.mode()))];
    const int presses = rng_.range(0, 3);
    for (int i = 0; i < presses; ++i) {
        const Qt::MouseButton b = rng_.chance(0.6) ? Qt::LeftButton : Qt::RightButton;
        const double x = rng_.real(-1, 17), y = rng_.real(-1, 17);
        log_.note("colour cell " + std::to_string(int(x)) + "," + std::to_string(int(y)));
        d.Picture1_MouseDown(b, x, y);
    }
    if (d.mode() == frmColchk::Mode::Change) {
        if (rng_.chance(0.8)) d.drop(frmColchk::Swatch::Before, rng_.range(0, 255));
        if (rng_.chance(0.8)) d.drop(frmColchk::Swatch::After, rng_.range(0, 255));
        log_.note("before " + std::to_string(d.BeforeIndex) + ", after " + std::to_string(d.AfterIndex));
    }
    const bool ok = rng_.chance(0.75);
    log_.note(ok ? "colour dialog -> Ok" : "colour dialog -> Cancel");
    if (ok) d.comOk_Click();
    else d.comCan_Click();
}

void Session::answerReduce(frmReduce& d) {
    ++out_.counts["dialog reduce"];
    d.Text1->setText(rng_.field(2, 64));
    d.chkDither->setChecked(rng_.chance(0.5));
    const bool ok = rng_.chance(0.8);
    log_.note("reduce to '" + utf8(d.Text1->text()) + "'" + (d.chkDither->isChecked() ? " dithered" : "") +
              (ok ? " -> Ok" : " -> Cancel"));
    if (ok) d.Command1_Click();
    else d.Command2_Click();
}

void Session::answerImport(frmBmp& d) {
    ++out_.counts["dialog import"];
    if (d.Selpic->count() > 0 && rng_.chance(0.7)) {
        const int i = rng_.range(0, d.Selpic->count() - 1);
        log_.note("icon image " + std::to_string(i));
        d.Selpic->setCurrentIndex(i);
        d.Selpic_Click(i);
    }
    if (rng_.chance(0.3)) {
        const QPointF a(rng_.real(-10, 330), rng_.real(-10, 250)), b(rng_.real(-10, 330), rng_.real(-10, 250));
        log_.note("cut " + std::to_string(int(a.x())) + "," + std::to_string(int(a.y())) + " to " +
                  std::to_string(int(b.x())) + "," + std::to_string(int(b.y())));
        d.cutPreview(a, b);
    }
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (rng_.chance(0.15)) {
            log_.note("import -> Cancel");
            d.Command2_Click();
            return;
        }
        if (rng_.chance(0.6)) d.txtMax->setText(rng_.field(10, 120));
        if (rng_.chance(0.5)) d.txtCol->setText(rng_.field(2, 256));
        d.chkDither->setChecked(rng_.chance(0.5));
        if (d.Check1->isEnabled()) d.Check1->setChecked(rng_.chance(0.6));
        log_.note("import width '" + utf8(d.txtMax->text()) + "' colours '" + utf8(d.txtCol->text()) + "'" +
                  (d.Check1->isChecked() ? " replacing" : " placed") + " -> Ok");
        d.Command1_Click();
        if (d.Command1Tag == QLatin1String("1")) return;
    }
}

void Session::answerPrint(frmPrint& d) {
    ++out_.counts["dialog print"];
    (rng_.chance(0.5) ? d.Option1 : d.Option2)->setChecked(true);
    rng_.pick(std::vector<QRadioButton*>{d.Option3, d.Option4, d.Option5})->setChecked(true);
    d.Check1->setChecked(rng_.chance(0.5));
    d.TxtTitle->setText(rng_.pick(std::vector<QString>{QString(), QStringLiteral("セーター"),
                                                       QString(300, QLatin1Char('W'))}));
    d.ChkHalign->setChecked(rng_.chance(0.5));
    d.ChkVAlign->setChecked(rng_.chance(0.5));
    if (rng_.chance(0.2)) {
        log_.note("print: printer set-up");
        d.Command3_Click();
    }
    if (rng_.chance(0.15)) {
        log_.note("print: preview");
        d.Command4_Click();
    }
    // Printing is the slowest command: large charts are only set up, never printed.
    const EditorState& s = f().state();
    const bool ok = rng_.chance(0.6) && int64_t(s.LeadSrc.width()) * s.LeadSrc.height() <= 20000;
    log_.note(std::string("print ") + (d.Option2->isChecked() ? "colour" : "symbols") + (ok ? " -> Ok" : " -> Cancel"));
    if (ok) d.Command1_Click();
    else d.Command2_Click();
}

void Session::answerText(frmChar& d) {
    ++out_.counts["dialog text"];
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (rng_.chance(0.15)) {
            log_.note("text -> Cancel");
            d.comCan_Click();
            return;
        }
        d.TxtSample->setText(rng_.pick(std::vector<QString>{
            QStringLiteral("ABC"), QStringLiteral("編み物"), QString(), QStringLiteral(" "), QStringLiteral("Wg|"),
            QString(80, QChar(0x6f22)), QStringLiteral("a\tb")}));
        d.TxtHeight->setText(rng_.chance(0.8) ? QString::number(rng_.range(3, 40)) : rng_.field(3, 200));
        d.TxtWidth->setText(rng_.chance(0.8) ? QStringLiteral("0") : rng_.field(0, 200));
        d.TxtEscapement->setText(rng_.chance(0.6) ? QStringLiteral("0") : rng_.field(0, 360));
        d.TxtWeight->setText(rng_.chance(0.8) ? QString::number(rng_.range(1, 9)) : rng_.field(1, 9));
        d.ChkItalic->setChecked(rng_.chance(0.2));
        d.ChkUnderline->setChecked(rng_.chance(0.2));
        d.ChkStrikeout->setChecked(rng_.chance(0.2));
        if (d.FontList->count() > 0 && rng_.chance(0.3)) d.FontList->setCurrentRow(rng_.range(0, d.FontList->count() - 1));
        if (rng_.chance(0.1)) {
            log_.note("text: colour button");
            d.comCol_Click();
        }
        log_.note("text '" + utf8(d.TxtSample->text().left(12)) + "' height '" + utf8(d.TxtHeight->text()) +
                  "' width '" + utf8(d.TxtWidth->text()) + "' angle '" + utf8(d.TxtEscapement->text()) + "' weight '" +
                  utf8(d.TxtWeight->text()) + "' -> Ok");
        d.comOk_Click();
        if (d.result() == QDialog::Accepted) return;
    }
}

// ---- checks ------------------------------------------------------------------------------------

void Session::fail(const std::string& what) {
    out_.failed = true;
    std::ostringstream r;
    r << "soak seed " << run_.seed << " failed at step " << log_.step << ": " << what
      << "\n  (again: QORN_SOAK_SEED=" << run_.seed << " QORN_SOAK_STEPS=" << log_.step
      << ")\nthe last steps:\n" << log_.recent();
    out_.report = r.str();
    throw Failure(what);
}

void Session::check() {
    if (modalDepth_ != 0) fail("a dialog is still being answered");
    if (!form_) fail("no window");
    Form1& w = f();
    const EditorState& s = w.state();
    if (!s.qrnobj) fail("the document is gone while the window runs");
    const qrnobj& q = *s.qrnobj;

    // The pattern: a 24-bit bitmap the program can hold.
    const QImage& img = s.LeadSrc.image();
    const int W = s.LeadSrc.width(), H = s.LeadSrc.height();
    if (img.isNull()) fail("the pattern bitmap is empty");
    if (img.format() != QImage::Format_RGB32)
        fail("the pattern bitmap is not 24-bit RGB (format " + std::to_string(int(img.format())) + ")");
    if (!dimensionsAllowed(W, H))
        fail("the pattern is " + std::to_string(W) + "x" + std::to_string(H) + ", past the program's limits");
    if (q.mee() < qrnobj::kMinGauge || q.mee() > qrnobj::kMaxGauge || q.dan() < qrnobj::kMinGauge ||
        q.dan() > qrnobj::kMaxGauge)
        fail("gauge " + std::to_string(q.mee()) + "x" + std::to_string(q.dan()) + " out of range");
    if (!(q.asp1() > 0) || !(q.asp2() > 0)) fail("the gauge's aspect is not set");

    // The selection: none, or stitches inside the pattern, and never during a placement.
    if (q.selected) {
        const int l = std::min(q.smpx, q.empx), t = std::min(q.smpy, q.empy);
        const int r = std::max(q.smpx, q.empx), b = std::max(q.smpy, q.empy);
        std::ostringstream where;
        where << "selection " << q.smpx << "," << q.smpy << " - " << q.empx << "," << q.empy << " on " << W << "x" << H;
        if (l < 0 || t < 0 || r > W || b > H || r <= l || b <= t) fail(where.str() + " lies outside the pattern");
        const std::optional<QRect> rect = selectionRect(q, QSize(W, H));
        if (!rect || *rect != QRect(l, t, r - l, b - t)) fail(where.str() + " is not what the commands act on");
        if (w.tools().placing()) fail(where.str() + " during a placement");
    }

    // The status line.
    const StatusTexts t = statusTexts(W, H, q.mee(), q.dan());
    if (w.Label1->text() != t.gauge || w.Label2->text() != t.canvas || w.Label3->text() != t.size)
        fail("status line '" + utf8(w.Label1->text()) + "' '" + utf8(w.Label2->text()) + "' '" +
             utf8(w.Label3->text()) + "' does not match the pattern's '" + utf8(t.gauge) + "' '" + utf8(t.canvas) +
             "' '" + utf8(t.size) + "'");

    // The tools: usable unless a placement floats or a locked view is shown.
    const bool locked = !s.normalView;
    const bool toolsOn = w.mnuTool->menuAction()->isEnabled() && w.TBTools->isEnabled();
    if (!locked && !w.tools().placing() && !toolsOn)
        fail("the tools are disabled with nothing pending (tool " + std::to_string(s.ToolState) + ")");
    if (locked && (toolsOn || s.ToolState != tool::Off)) fail("a locked view leaves the tools usable");
    const int viewsTicked = int(w.mnuDispNormal->isChecked()) + int(w.mnuDispCross->isChecked()) +
                            int(w.mnuDispSym->isChecked());
    if (viewsTicked != 1 || locked == w.mnuDispNormal->isChecked())
        fail("the view menu does not show the view (" + std::to_string(viewsTicked) + " ticked)");
    int gridsTicked = 0;
    for (QAction* g : w.mnuGrids) gridsTicked += g->isChecked() ? 1 : 0;
    if (gridsTicked != 1) fail("the grid menu ticks " + std::to_string(gridsTicked) + " items");

    // No busy pointer and no dialog is left behind by a finished command.
    if (QApplication::overrideCursor()) fail("the busy pointer stays after the command");
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top != &w && top->isVisible() && qobject_cast<QDialog*>(top))
            fail("a dialog stays open: " + utf8(top->windowTitle()));

    // Files: nothing in the temporary folder, nothing new in the program folder but its own
    // settings, lock and recovery copies, nothing in the session's folder it was not told to write.
    const QStringList temp = listing(tempDir_);
    if (!temp.isEmpty()) fail("files left in the temporary folder: " + utf8(temp.join(QLatin1Char(' '))));
    // The pattern's own file is where an overwriting save goes, with its side file beside it.
    shelf_.rememberSave(q.savefile);
    static const QStringList own = {QStringLiteral("qorn.lock"), QStringLiteral("settings"), QStringLiteral("recovery")};
    for (const QString& name : listing(programDir_))
        if (!programBefore_.contains(name) && !own.contains(name)) fail("a file appeared in the program folder: " + utf8(name));
    for (const QString& name : listing(shelf_.folder))
        if (!shelf_.allowed(name)) fail("a file nobody asked for appeared beside the patterns: " + utf8(name));
}

} // namespace

SoakOutcome runSoak(const SoakRun& run) {
    SoakOutcome outcome;
    Session session(run, outcome);
    session.execute();
    return outcome;
}

} // namespace qorn::test
