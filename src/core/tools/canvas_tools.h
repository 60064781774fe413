#pragma once

#include "imaging/colorref.h"
#include "view/canvas_geometry.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <optional>
#include <vector>

namespace qorn {

struct EditorState;
class qrnobj;

// What the drawing tools ask of the window around the canvas.
class ToolHost {
public:
    virtual ~ToolHost() = default;
    virtual void setUndoEnabled(bool enabled) = 0;
    // "cut" and "copy" (menu items and buttons); a finished selection also enables "delete".
    virtual void setCutCopyEnabled(bool enabled) = 0;
    virtual void setDeleteEnabled(bool enabled) = 0;
    // The canvas shows the bitmap again (rubber bands are gone by then).
    virtual void repaintFromBitmap() = 0;
    // One stitch changed; only its cell needs showing.
    virtual void repaintStitch(int x, int y) = 0;
    virtual void overlayChanged() = 0;
    virtual void autoscroll(double x, double y) = 0;
    // Back to the freehand pen (one-shot tools end there).
    virtual void selectPen() = 0;
    // The left or right colour changed through the eyedropper or a Shift pen press.
    virtual void colorsChanged() = 0;
    virtual void setBusy(bool busy) = 0;
    // The tool menu and tool bar, locked while a paste is being placed.
    virtual void setToolsEnabled(bool enabled) = 0;
};

// One piece of feedback on the canvas, drawn with XOR arithmetic over freshly rendered cells.
// Lines and boxes are in canvas units (stitch corners), ellipses in canvas pixels.
struct OverlayItem {
    enum Kind { GreyLine, DottedBox, Ellipse } kind;
    QPoint a, b;
    bool operator==(const OverlayItem&) const = default;
};

// XORs the overlay into a rendered part of the canvas: `rect` in canvas pixels, drawn at
// `origin` of `target`.
void applyOverlay(const std::vector<OverlayItem>& items, const CanvasGeometry& g, QImage& target, QPoint origin,
                  const QRect& rect);

struct MouseInput {
    int button = 0; // 1 left, 2 right, 4 middle; sums when several are held
    bool shift = false;
    double x = 0; // canvas units
    double y = 0;
};

// The press-drag-release machine of the canvas: rubber bands while dragging, the commit into
// the pattern bitmap on release, the selection rectangle, undo and the modified flag.
class CanvasTools {
public:
    CanvasTools(EditorState& state, ToolHost& host) : s_(state), host_(host) {}

    void press(const MouseInput& m);
    void move(const MouseInput& m);
    void release(const MouseInput& m);

    // LMode 0: the band or frame of the current rectangle changed and is shown again (the
    // feedback itself follows from the state); otherwise commits a line (tool 2) or a
    // rectangle in `colour`.
    void DrawLine(int tool, int lmode, ColorRef colour);
    bool DrawPen(int x, int y, int button);
    void ShapeDraw(int shapeCode, ColorRef colour);
    int PickPaletteIndex(double x, double y);
    ColorRef buttonColor(int button) const;

    // Drops the selection: rectangle zeroed, cut, copy and delete disabled; its frame goes with it.
    void clearSelection();
    // Ends a floating placement (paste, picture, text or motif): nothing follows the mouse
    // any more and the tool menu and tool bar are usable again.
    void endPlacement();
    bool placing() const;
    // Forgets a gesture whose release will never come (a new pattern, another tool).
    void cancelGesture();

    // What the canvas shows over the pattern, derived from the state alone: the band of a
    // drag, the floating frame of a placement, or the selection frame.
    std::vector<OverlayItem> overlay() const;

    // The end point of a Shift drag: a square, a circle or 45 degrees on the fabric.
    static QPoint constrainedEnd(QPoint start, double x, double y, float asp1);

private:
    OverlayItem bandItem(int tool) const;
    OverlayItem ellipseItem() const;
    void repaintFromBitmap();
    void setEnd(const MouseInput& m, bool constrained);
    void commitCircle(ColorRef colour);
    void commitFill(const MouseInput& m, ColorRef colour);
    void commitPaste(const MouseInput& m);
    // The text mask (Lead1[0]) in the left colour; the tool hands over to the pen either way.
    void commitText(const MouseInput& m);
    // A left click stamps the motif (Lead1[0], mask Lead1[1]) and the placement goes on; a
    // right click ends it.
    void commitMotif(const MouseInput& m);

    void setStart(QPoint at);
    void placeAt(QPoint at);

    EditorState& s_;
    ToolHost& host_;
    // Between a press and its release: a line or figure band, or a selection being dragged.
    bool banding_ = false;
    bool selecting_ = false;
    // A Shift press of the pen picks a colour; nothing of that gesture paints.
    bool picking_ = false;
    // The pointer has put the floating frame somewhere on the canvas.
    bool placementShown_ = false;
};

// The selected rectangle in stitches, normalised and clipped to the pattern; nothing when it
// holds no stitch. `inclusiveEnd` counts the end stitch in, as the overwrite save does.
std::optional<QRect> selectionRect(const qrnobj& document, QSize pattern, bool inclusiveEnd = false);

} // namespace qorn
