// Extra peak memory of one import of a picture: "import_24mp_peak_extra_mb: N MB".
// Usage: qorn_import_rss PICTURE PALETTE
#include "colour/palette.h"
#include "import/import_source.h"

#include <QCoreApplication>

#include <QFile>

#include <cstdio>

// Resident and peak resident memory from /proc; the peak can be reset, so start-up does not
// hide what the import itself needs.
static double statusMb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    qorn::Palette palette;
    palette.load(QString::fromLocal8Bit(argv[2]));
    QFile reset(QStringLiteral("/proc/self/clear_refs"));
    if (reset.open(QIODevice::WriteOnly)) reset.write("5");
    reset.close();
    const double before = statusMb("VmRSS:");
    qorn::ImportSource source;
    source.open(QString::fromLocal8Bit(argv[1]), 0xFFFFFF);
    const qorn::Raster r = qorn::prepareImport(source, {200, 16, true}, palette);
    std::printf("import_24mp_peak_extra_mb: %.1f MB\n", statusMb("VmHWM:") - before);
    return r.isNull() ? 1 : 0;
}
