#include "pattern_files.h"

#include "app/editor_state.h"
#include "common/error.h"
#include "common/file_write.h"
#include "common/list_input.h"
#include "common/vbround.h"
#include "tools/canvas_tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace qorn {

SplitPathResult SplitPath(const QString& path) {
    SplitPathResult r;
    const qsizetype slash = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    r.folder = path.left(slash + 1);
    const QString name = path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot < 0) {
        r.base = name;
    } else {
        r.base = name.left(dot);
        r.ext = name.mid(dot + 1);
    }
    return r;
}

bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty()) return false;
    const QFileInfo fa(a), fb(b);
    const QString ca = fa.canonicalFilePath(), cb = fb.canonicalFilePath();
    if (!ca.isEmpty() || !cb.isEmpty()) return ca == cb;
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

int FilterIndexOf(const QString& filter, const QString& ext) {
    const QStringList pieces = filter.split(QLatin1Char('|'));
    const QString wanted = ext.toLower();
    for (qsizetype i = 1, n = 1; i < pieces.size(); i += 2, ++n) {
        const QString& pattern = pieces[i];
        if (pattern.mid(pattern.lastIndexOf(QLatin1Char('.')) + 1) == wanted) return static_cast<int>(n);
    }
    return 1;
}

std::optional<int> formatCodeFor(const QString& ext) {
    const QString e = ext.toUpper();
    if (e == QLatin1String("PCX")) return FormatPcx;
    if (e == QLatin1String("BMP")) return FormatBmp;
    if (e == QLatin1String("TIF") || e == QLatin1String("TIFF")) return FormatTif;
    if (e == QLatin1String("PICT") || e == QLatin1String("PCT")) return FormatPict;
    return std::nullopt;
}

QByteArray qrdText(const QrdFields& f) {
    // One pass: a "%2" inside the extension is text, not a place for the next number.
    return QStringLiteral("\"%1\",%2,%3,%4\r\n")
        .arg(f.ext, QString::number(f.mee), QString::number(f.dan), QString::number(f.background))
        .toLocal8Bit();
}

QrdFields readQrd(const QString& path) {
    QFile file(path);
    if (!file.exists()) throw Error(err::FileNotFoundOs);
    if (QFileInfo(path).isDir()) throw Error(err::PathFileAccess);
    if (!file.open(QIODevice::ReadOnly)) throw Error(err::PermissionDenied);
    // A side file is one short line; nothing past its first 64 KB can matter.
    return readQrdText(file.read(64 * 1024));
}

QrdFields readQrdText(const QByteArray& text) {
    ListInput in(text);
    QrdFields f;
    f.ext = in.string();
    f.mee = in.integer();
    f.dan = in.integer();
    f.background = in.integer();
    return f;
}

QString findFileIgnoringCase(const QString& folder, const QString& name) {
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (QFileInfo(dir.filePath(name)).isFile()) return dir.filePath(name);
    const QString wanted = name.toLower();
    for (const QString& entry : dir.entryList(QDir::Files))
        if (entry.toLower() == wanted) return dir.filePath(entry);
    return {};
}

QString proposedSaveAsName(const QString& base) {
    if (base.toUpper() == QLatin1String("NONAME")) return {};
    return (base.startsWith(QLatin1String("x_")) ? base : QStringLiteral("x_") + base) + QStringLiteral(".bmp");
}

void snapToPalette(Raster& work, const Palette& palette) {
    for (int i = 0; i < Palette::kSize; ++i) work.setUserPalette(i, palette[i]);
    work.colorRes(8, PaletteUser, 0, 256);
}

void snapToPalette(Raster& work, const EditorState& state) { snapToPalette(work, state.PalTable); }

SideFileImage readSideFileImage(const QString& chosenPath, const QString& qrdPath) {
    const SplitPathResult chosen = SplitPath(chosenPath);
    QrdFields f;
    try {
        f = readQrd(qrdPath);
    } catch (const Error& e) {
        // A side file cut short or holding no numbers where numbers belong is a damaged file.
        if (e.number() == err::InputPastEnd || e.number() == err::TypeMismatch || e.number() == err::Overflow)
            throw Error(err::Damaged);
        throw;
    }
    // The gauge is checked on a scratch document: a bad one raises its error here.
    qorn::qrnobj gauge;
    gauge.setMee(f.mee);
    gauge.setDan(f.dan);
    // A background outside the palette is a damaged side file, and says so.
    if (f.background < 0 || f.background >= Palette::kSize) throw Error(err::Damaged);
    // The side file names an extension, not a path: a later overwrite save writes there.
    if (f.ext.contains(QLatin1Char('/')) || f.ext.contains(QLatin1Char('\\')) || f.ext.contains(QChar(0)))
        throw Error(err::BadFileName);
    // Names are compared without regard to case, as on the systems side files come from.
    QString file = chosen.folder + chosen.base + QLatin1Char('.') + f.ext;
    if (const QString found = findFileIgnoringCase(chosen.folder, chosen.base + QLatin1Char('.') + f.ext);
        !found.isEmpty())
        file = found;
    return {f, file};
}

void LoadQrdPattern(EditorState& state, const QString& chosenPath, const QString& qrdPath) {
    const auto [f, file] = readSideFileImage(chosenPath, qrdPath);
    qorn::qrnobj gauge;
    gauge.setMee(f.mee);
    gauge.setDan(f.dan);

    Raster work;
    work.load(file, 24);
    const int w = std::min(work.width(), 200);
    const int h = std::min(work.height(), roundToInt(static_cast<float>(200.0f * gauge.asp1())));
    work.crop(0, 0, w, h);
    snapToPalette(work, state);
    work.colorRes(24, PaletteFixedRgb, 0, 0);

    state.RightIndex = static_cast<int16_t>(f.background);
    state.qrnobj->setMee(f.mee);
    state.qrnobj->setDan(f.dan);
    state.qrnobj->savefile = file;
    state.LeadSrc = work;
    state.LeftIndex = 0;
    state.qrnobj->chgflg = false;
}

void writePattern(const EditorState& state, const QString& path, SaveKind kind) {
    const SplitPathResult parts = SplitPath(path);
    const auto format = formatCodeFor(parts.ext);
    if (!format) throw Error(err::Unsupported);
    Raster work = state.LeadSrc;
    const qrnobj& q = *state.qrnobj;
    if (q.selected) {
        // Overwriting keeps the end stitch, save-as leaves it out. A selection that holds no
        // stitch is never written as an empty picture.
        const auto rect = selectionRect(q, QSize(work.width(), work.height()), kind == SaveKind::Overwrite);
        if (!rect) throw Error(err::Damaged, QStringLiteral("empty selection"));
        work.crop(rect->left(), rect->top(), rect->width(), rect->height());
    }
    if (kind == SaveKind::Overwrite) {
        work.colorRes(8, PaletteOptimized, 0, 0);
        for (int i = 0; i < Palette::kSize; ++i) work.setUserPalette(i, state.PalTable[i]);
        work.colorRes(8, PaletteOptimized, 0, 256);
    } else {
        snapToPalette(work, state);
    }
    work.save(path, *format);
    QrdFields f;
    f.ext = parts.ext;
    f.mee = q.mee();
    f.dan = q.dan();
    f.background = state.RightIndex;
    writeFileAtomically(parts.folder + parts.base + QStringLiteral(".qrd"), qrdText(f), err::IoError);
}

} // namespace qorn
