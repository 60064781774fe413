// Writes the program icon into an icon-theme tree: hicolor/NxN/apps/qorn.png for each size
// given, and hicolor/scalable/apps/qorn.svg.
//   gen_icons OUTDIR SIZE...
#include "view/app_icon.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: gen_icons OUTDIR SIZE...\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/hicolor/");
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = out + QStringLiteral("%1x%1/apps").arg(size);
        if (size <= 0 || !QDir().mkpath(folder) ||
            !qorn::applicationIconImage(size).save(folder + QStringLiteral("/qorn.png"), "PNG")) {
            std::fprintf(stderr, "gen_icons: cannot write the %s px icon\n", argv[i]);
            return 1;
        }
    }
    const QString scalable = out + QStringLiteral("scalable/apps");
    QFile svg(scalable + QStringLiteral("/qorn.svg"));
    const QByteArray text = qorn::applicationIconSvg();
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly) || svg.write(text) != text.size()) {
        std::fputs("gen_icons: cannot write the scalable icon\n", stderr);
        return 1;
    }
    return 0;
}
