// Extra peak memory of saving the drawing screen of a 200 x 4000 chart at zoom 11, gauge 20 x 10
// (cells 11 x 22), grid every stitch: "drawing_screen_peak_extra_mb: N MB".
#include "view/canvas_bitmap.h"

#include "proc_memory.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QImage pattern(200, 4000, QImage::Format_RGB32);
    for (int y = 0; y < pattern.height(); ++y)
        for (int x = 0; x < pattern.width(); ++x) pattern.setPixel(x, y, qRgb(x, y & 255, (x * y) & 255));
    const qorn::CanvasGeometry geometry{200, 4000, 11, 2.0f};
    qorn::CanvasRenderer renderer;
    const QString path = dir.filePath(QStringLiteral("screen.bmp"));

    const double before = resetPeakMb();
    qorn::saveCanvasBitmap(path, renderer, pattern, geometry, qorn::GridOne);
    std::printf("drawing_screen_peak_extra_mb: %.1f MB\n", statusMb("VmHWM:") - before);
    return QFile(path).size() > 0 ? 0 : 1;
}
