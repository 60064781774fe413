// Peak memory of the editor showing a 200 x 4000 chart at zoom 11, scrolled from top to bottom.
// Runs the real main window on the offscreen platform and prints "editor_peak_rss_mb: N MB".
#include "offscreen_editor.h"

#include <QApplication>
#include <QScrollBar>

#include <sys/resource.h>

#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    OffscreenEditor editor(qorn::vbNo);
    if (!editor.start()) return 1;
    qorn::Form1& form = editor.form();

    qorn::EditorState& s = form.state();
    s.LeadSrc.create(200, 4000, 24);
    s.LeadSrc.fill(0xFFFFFF);
    for (int y = 0; y < 4000; y += 3) s.LeadSrc.setPixel((y * 7) % 200, y, s.PalTable[(y / 3) % 256]);
    s.qrnobj->setMee(20);
    s.qrnobj->setDan(10);
    form.LayoutCanvas();
    form.mnuGrids_Click(qorn::GridOne);
    for (int i = 0; i < 5; ++i) form.mnuDispSelection_Click(1);

    QScrollBar* v = form.VScroll1;
    v->setValue(0);
    for (int value = 0;; value += v->singleStep()) {
        v->setValue(std::min(value, v->maximum()));
        form.repaint();
        QApplication::processEvents();
        if (value >= v->maximum()) break;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("editor_peak_rss_mb: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
