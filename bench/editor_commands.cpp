// Commands of the real main window on the offscreen platform, each timed from the command to the
// repainted window: a replacing paste of a photograph, a colour reduction, opening the colour check.
// Prints "name: median ms" lines.
#include "colour/frmColchk.h"
#include "colour/frmReduce.h"
#include "dialogs/spin_edit.h"
#include "offscreen_editor.h"
#include "support/sample_images.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void report(const char* name, const std::function<void()>& prepare, const std::function<double()>& timed) {
    std::vector<double> times;
    for (int i = 0; i < 7; ++i) {
        prepare();
        times.push_back(timed());
    }
    std::printf("%s: %.3f ms\n", name, median(times));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    OffscreenEditor editor(qorn::vbYes);
    if (!editor.start()) return 1;
    qorn::Form1& form = editor.form();
    auto& modal = editor.dialogs();
    qorn::EditorState& s = form.state();
    auto repainted = [&] {
        form.repaint();
        QApplication::processEvents();
    };
    auto elapsed = [&](const std::function<void()>& command) {
        QElapsedTimer t;
        t.start();
        command();
        repainted();
        return t.nsecsElapsed() / 1e6;
    };

    const QImage photo = qorn::test::photoLikeImage(1920, 1080, 21);
    QApplication::clipboard()->setImage(photo);
    QApplication::processEvents();
    report("paste_replace_1920x1080_ms", [&] { s.LeadSrc.create(100, 100, 24); s.LeadSrc.fill(0xFFFFFF); form.LayoutCanvas(); },
           [&] { return elapsed([&] { form.mnuPaste_Click(); }); });

    const QImage tall = qorn::test::photoLikeImage(200, 3000, 22);
    auto tallPattern = [&] {
        s.LeadSrc.setImage(tall);
        form.LayoutCanvas();
        repainted();
    };
    modal = [](QDialog& d) {
        auto& r = static_cast<qorn::frmReduce&>(d);
        r.Text1->setText(QStringLiteral("8"));
        r.chkDither->setChecked(true);
        r.Command1_Click();
    };
    report("reduce8_200x3000_ms", tallPattern, [&] { return elapsed([&] { form.mnuReduceColor_Click(); }); });

    double shownAfter = 0;
    QElapsedTimer clock;
    modal = [&](QDialog& d) {
        d.show();
        QApplication::processEvents();
        shownAfter = clock.nsecsElapsed() / 1e6;
        d.reject();
    };
    report("colour_check_open_200x3000_ms", tallPattern, [&] {
        clock.start();
        form.mnuColorChk_Click();
        return shownAfter;
    });

    // The text tool's dialog built and shown anew each time: the fonts listed, the sample drawn.
    modal = [&](QDialog& d) {
        d.show();
        QApplication::processEvents();
        shownAfter = clock.nsecsElapsed() / 1e6;
        d.reject();
    };
    auto dropTextDialog = [&] {
        // A release of the text tool unloads the dialog, as writing a text does.
        s.ToolState = 8;
        form.Picdisplay_MouseUp(2, false, 0, 0);
    };
    report("text_dialog_open_ms", dropTextDialog, [&] {
        clock.start();
        form.mnuTools_Click(100);
        return shownAfter;
    });
    return 0;
}
