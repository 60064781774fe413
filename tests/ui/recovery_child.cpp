// The editor that the crash test kills: in the test's program folder (which holds the palette)
// it opens the pattern named on its command line, draws a stroke, waits until its recovery copy
// holds the stroke, leaves the pattern as drawn.png for comparison, says "ready" and runs on.
#include "app/Form1.h"
#include "app/app_paths.h"
#include "app/modal_runner.h"
#include "document/recovery.h"
#include "support/canvas_mouse.h"
#include "support/scripted_files.h"
#include "support/scripted_prompter.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QSettings>
#include <QThread>

#include <cstdio>

namespace {

class RejectingModal : public qorn::ModalRunner {
public:
    int exec(QDialog& dialog) override {
        dialog.reject();
        return dialog.result();
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: recovery_child FOLDER PATTERN\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    qorn::setProgramFolderOverride(dir);
    qorn::setRecoveryFolderOverride(dir + QStringLiteral("/recovery"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir + QStringLiteral("/settings"));

    qorn::test::ScriptedPrompter prompter;
    qorn::test::ScriptedFiles files;
    RejectingModal modal;
    qorn::Form1 form({&prompter, &modal, dir + QStringLiteral("/qorn.lock"), &files});
    form.setRecoveryDelays(100, 1000);
    if (!form.Form_Load(QString::fromLocal8Bit(argv[2]))) return 3;

    // The pen in the left colour (black) on row 3, from stitch 1 to 10.
    qorn::test::dragOnCanvas(form, {1, 3}, {10, 3});
    QElapsedTimer t;
    t.start();
    const auto copied = [&] {
        const QString path = form.recoveryCopyPath();
        if (path.isEmpty()) return false;
        try {
            return qorn::readRecoveryFile(path).pattern == form.state().LeadSrc.image();
        } catch (...) {
            return false;
        }
    };
    while (!copied()) {
        if (t.elapsed() > 20000) {
            std::fprintf(stderr, "recovery_child: no copy written\n");
            return 4;
        }
        QApplication::processEvents();
        QThread::msleep(5);
    }
    if (!form.state().LeadSrc.image().save(dir + QStringLiteral("/drawn.png"))) return 5;
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
