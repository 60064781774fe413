#pragma once

#include "colour/palette.h"
#include "document/qrnobj.h"
#include "imaging/raster.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <memory>

namespace qorn {

// The editor-wide state of the main window, under the names the rest of the program uses:
// the document, the pattern bitmap and its work copies, the palette and the current colours,
// view and tool state, and the undo snapshot.
struct EditorState {
    std::unique_ptr<qorn::qrnobj> qrnobj;
    Raster LeadSrc;               // the pattern, 24 bits per pixel
    std::array<Raster, 2> Lead1;  // work copy; motif mask

    Palette PalTable;
    int16_t LeftIndex = 0;
    int16_t RightIndex = 0;

    int zoom = 6;
    bool normalView = true;
    int ToolState = 0;
    int LineWidth = 1;
    bool FillFlag = false;
    int PlaceWidth = 0;
    int PlaceHeight = 0;
    QString symFile;

    // The canvas's drawing and background colours.
    ColorRef canvasForeColor = 0;
    ColorRef canvasBackColor = 0;

    QByteArray undoSnapshot;

    void SelectLeftColor(int index);
    void SelectRightColor(int index);
    // A click on the current-colour box exchanges the two colours.
    void swapColors();

    // The document side of a new pattern: a 100 x 100 white bitmap, gauge 20 x 20, background
    // entry 15, zoom 6, pen width 1, unmodified, no selection.
    void initPattern();
    // The left colour goes back to entry 0; the canvas drawing colour is left alone.
    void resetLeftColor() { LeftIndex = 0; }
};

// The three status labels: gauge, size in centimetres, size in stitches and rows.
struct StatusTexts {
    QString gauge;
    QString canvas;
    QString size;
};
StatusTexts statusTexts(int width, int height, int mee, int dan);

} // namespace qorn
