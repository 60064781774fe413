#include "pattern_files.h"

#include "app/editor_state.h"
#include "common/error.h"
#include "common/file_write.h"
#include "common/vbround.h"
#include "tools/canvas_tools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

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
    return QStringLiteral("\"%1\",%2,%3,%4\r\n").arg(f.ext).arg(f.mee).arg(f.dan).arg(f.background).toLocal8Bit();
}

namespace {

// List input: fields separated by commas or line ends, blanks around them skipped, strings in
// double quotes.
class ListInput {
public:
    explicit ListInput(QByteArray text) : text_(std::move(text)) {}

    QString string() {
        skipBlanks();
        if (pos_ >= text_.size()) throw Error(err::InputPastEnd);
        QByteArray value;
        if (text_[pos_] == '"') {
            const qsizetype end = text_.indexOf('"', pos_ + 1);
            const qsizetype stop = end < 0 ? text_.size() : end;
            value = text_.mid(pos_ + 1, stop - pos_ - 1);
            pos_ = end < 0 ? text_.size() : end + 1;
            skipBlanks();
        } else {
            value = rawField().trimmed();
        }
        endField();
        return QString::fromLocal8Bit(value);
    }

    int integer() {
        skipBlanks();
        if (pos_ >= text_.size()) throw Error(err::InputPastEnd);
        const QByteArray field = rawField().trimmed();
        endField();
        bool ok = false;
        const double v = field.isEmpty() ? 0.0 : field.toDouble(&ok);
        // toDouble takes "nan" and "inf", which are no numbers to list input.
        if (!field.isEmpty() && (!ok || !std::isfinite(v))) throw Error(err::TypeMismatch);
        // Judged after rounding: 32767.5 rounds to 32768, past 16 bits.
        const double rounded = std::nearbyint(v);
        if (rounded > 32767 || rounded < -32768) throw Error(err::Overflow);
        return static_cast<int>(rounded);
    }

private:
    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }
    QByteArray rawField() {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
        return text_.mid(start, pos_ - start);
    }
    void endField() {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
        else if (pos_ < text_.size() && text_[pos_] == '\r') pos_ += (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ? 2 : 1;
        else if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    }

    QByteArray text_;
    qsizetype pos_ = 0;
};

} // namespace

QrdFields readQrd(const QString& path) {
    QFile file(path);
    if (!file.exists()) throw Error(err::FileNotFoundOs);
    if (QFileInfo(path).isDir()) throw Error(err::PathFileAccess);
    if (!file.open(QIODevice::ReadOnly)) throw Error(err::PermissionDenied);
    // A side file is one short line; nothing past its first 64 KB can matter.
    ListInput in(file.read(64 * 1024));
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

void snapToPalette(Raster& work, const EditorState& state) {
    for (int i = 0; i < Palette::kSize; ++i) work.setUserPalette(i, state.PalTable[i]);
    work.colorRes(8, PaletteUser, 0, 256);
}

void LoadQrdPattern(EditorState& state, const QString& chosenPath, const QString& qrdPath) {
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
    // The gauge is checked on a scratch document first: a bad one changes nothing.
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
