#pragma once

#include "colour/palette.h"
#include "imaging/raster.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace qorn {

struct EditorState;

// A path in three: the folder with its final separator (empty when there is none), the base
// name and the extension after the last "." of the file name (empty without one).
struct SplitPathResult {
    QString folder;
    QString base;
    QString ext;
};
SplitPathResult SplitPath(const QString& path);

// Whether two paths name one file: compared after resolving links, "." and ".." when the file
// exists, else as absolute paths.
bool sameFile(const QString& a, const QString& b);

// 1-based number of the first filter pattern whose extension equals `ext` in lower case; 1
// when none does. The filter alternates descriptions and patterns, separated by "|".
int FilterIndexOf(const QString& filter, const QString& ext);

// The format code an extension is written with (any case), or nothing when it is not written.
std::optional<int> formatCodeFor(const QString& ext);

// The side file: the image's extension as written in its name, gauge and background index.
struct QrdFields {
    QString ext;
    int mee = 20;
    int dan = 20;
    int background = 15;
};
// One line as the list-output statement writes it: "bmp",20,20,15 and CR LF.
QByteArray qrdText(const QrdFields& fields);
// Read back as list input reads it. Failures carry run-time numbers: 53 no file, 62 input past
// the end, 13 a field that is no number, 6 a number beyond 16 bits.
QrdFields readQrd(const QString& path);
// The same from the file's bytes.
QrdFields readQrdText(const QByteArray& text);

// The file of that name in the folder, its name compared without regard to case (an exact
// match first); empty when there is none.
QString findFileIgnoringCase(const QString& folder, const QString& name);

// The name save-as proposes: empty for "NoName", else "x_" + base + ".bmp", the prefix not
// doubled on a base that already has it.
QString proposedSaveAsName(const QString& base);

// Every pixel of the work bitmap to the nearest palette colour, 8 bits per pixel.
void snapToPalette(Raster& work, const Palette& palette);
void snapToPalette(Raster& work, const EditorState& state);
// A side file read with the open command's checks (gauge, background index, an extension that
// names no other folder) and the image it names, found whatever its case. Throws the error
// the open command reports.
struct SideFileImage {
    QrdFields fields;
    QString file;
};
SideFileImage readSideFileImage(const QString& chosenPath, const QString& qrdPath);

// Loads the image a side file names, limited to 200 stitches and 200 x asp1 rows, on the
// palette. Nothing of the document changes unless the whole open succeeds; then the gauge,
// background index, file name and pattern are taken over and the pattern is unmodified.
void LoadQrdPattern(EditorState& state, const QString& chosenPath, const QString& qrdPath);

// Writes the pattern (or, with a selection, its selected part) to `path` with its side file.
// Overwriting converts with an optimised palette, save-as maps onto the drawing palette.
enum class SaveKind { Overwrite, SaveAs };
void writePattern(const EditorState& state, const QString& path, SaveKind kind);

} // namespace qorn
