// Extra peak memory of one import of a picture: "import_24mp_peak_extra_mb: N MB".
// Usage: qorn_import_rss PICTURE PALETTE
#include "colour/palette.h"
#include "import/import_source.h"

#include "proc_memory.h"

#include <QCoreApplication>

#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    qorn::Palette palette;
    palette.load(QString::fromLocal8Bit(argv[2]));
    const double before = resetPeakMb();
    qorn::ImportSource source;
    source.open(QString::fromLocal8Bit(argv[1]), 0xFFFFFF);
    const qorn::Raster r = qorn::prepareImport(source, {200, 16, true}, palette);
    std::printf("import_24mp_peak_extra_mb: %.1f MB\n", statusMb("VmHWM:") - before);
    return r.isNull() ? 1 : 0;
}
