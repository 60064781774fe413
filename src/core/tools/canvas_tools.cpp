#include "canvas_tools.h"

#include "app/editor_state.h"
#include "common/vbround.h"
#include "edit/undo.h"
#include "figures.h"
#include "imaging/raster_ops.h"
#include "motif.h"
#include "text_stamp.h"
#include "tool_table.h"

#include <algorithm>
#include <cmath>

namespace qorn {
namespace {

int sgn(float v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

bool isDraggedFigure(int t) { return t >= 20 && t <= 99; }

// Tools whose band is redrawn on every drag move, end point free unless Shift is held.
bool bandFollowsFreely(int t) { return t == tool::Line || t == 21 || t == 22 || (t >= 32 && t <= 69) || t == 91; }

void xorPixel(QImage& target, QPoint origin, const QRect& rect, int x, int y, QRgb mask) {
    if (!rect.contains(x, y)) return;
    auto* line = reinterpret_cast<QRgb*>(target.scanLine(origin.y() + y - rect.top()));
    line[origin.x() + x - rect.left()] ^= mask;
}

} // namespace

void applyOverlay(const std::vector<OverlayItem>& items, const CanvasGeometry& g, QImage& target, QPoint origin,
                  const QRect& rect) {
    auto px = [&](QPoint unit) { return QPoint(unit.x() * g.zoom, g.firstPixelOfRow(unit.y())); };
    for (const OverlayItem& item : items) {
        switch (item.kind) {
        case OverlayItem::GreyLine:
            gdi::linePixels(px(item.a), px(item.b), rect,
                            [&](int x, int y) { xorPixel(target, origin, rect, x, y, 0x808080); });
            break;
        case OverlayItem::DottedBox: {
            // A not-XOR grey pen flips with ~0x808080; dotted, every other pixel of the outline.
            const QPoint p = px(item.a), q = px(item.b);
            int x0 = std::min(p.x(), q.x()), x1 = std::max(p.x(), q.x());
            int y0 = std::min(p.y(), q.y()), y1 = std::max(p.y(), q.y());
            // A side on or past the canvas edge is drawn on the last cell pixels, where it
            // shows, not on the border.
            const int wc = g.pixelWidth(), hc = g.pixelHeight();
            if (x1 < 0 || y1 < 0 || x0 >= wc || y0 >= hc) break;
            x0 = std::max(x0, 0);
            y0 = std::max(y0, 0);
            x1 = std::min(x1, wc - 1);
            y1 = std::min(y1, hc - 1);
            int n = 0;
            auto dot = [&](int x, int y) {
                if ((n++ & 1) == 0) xorPixel(target, origin, rect, x, y, 0x7F7F7F);
            };
            for (int x = x0; x <= x1; ++x) dot(x, y0);
            for (int y = y0 + 1; y <= y1; ++y) dot(x1, y);
            if (y1 > y0)
                for (int x = x1 - 1; x >= x0; --x) dot(x, y1);
            if (x1 > x0)
                for (int y = y1 - 1; y > y0; --y) dot(x0, y);
            break;
        }
        case OverlayItem::Ellipse: {
            // The outline of the inscribed ellipse: pixels inside with an edge neighbour outside.
            const int top = std::max(std::min(item.a.y(), item.b.y()), rect.top() - 1);
            const int bottom = std::min(std::max(item.a.y(), item.b.y()), rect.bottom() + 1);
            auto span = [&](int y) { return gdi::ellipseRowSpan(item.a.x(), item.a.y(), item.b.x(), item.b.y(), y); };
            for (int y = top; y <= bottom; ++y) {
                const auto [a, b] = span(y);
                if (a > b) continue;
                const auto up = span(y - 1), down = span(y + 1);
                for (int x = a; x <= b; ++x) {
                    const bool interior = x > a && x < b && x >= up.first && x <= up.second && x >= down.first &&
                                          x <= down.second;
                    if (!interior) xorPixel(target, origin, rect, x, y, 0xFFFFFF);
                }
            }
            break;
        }
        }
    }
}

ColorRef CanvasTools::buttonColor(int button) const {
    if (button == 1) return s_.PalTable[s_.LeftIndex];
    if (button == 2) return s_.PalTable[s_.RightIndex];
    return 0;
}

std::optional<QRect> selectionRect(const qrnobj& q, QSize pattern, bool inclusiveEnd) {
    if (!q.selected) return std::nullopt;
    // The frame runs between cell corners; a frame around no stitch selects nothing, whatever
    // a command then adds at the end.
    const int left = std::min(q.smpx, q.empx), top = std::min(q.smpy, q.empy);
    const int right = std::max(q.smpx, q.empx), bottom = std::max(q.smpy, q.empy);
    const QRect whole(QPoint(0, 0), pattern);
    if (right <= left || bottom <= top || QRect(left, top, right - left, bottom - top).intersected(whole).isEmpty())
        return std::nullopt;
    const int extra = inclusiveEnd ? 1 : 0;
    return QRect(left, top, right - left + extra, bottom - top + extra).intersected(whole);
}

QPoint CanvasTools::constrainedEnd(QPoint start, double x, double y, float asp1) {
    const float dx = static_cast<float>(x) - start.x(), dy = static_cast<float>(y) - start.y();
    const float d = std::abs(dy) > std::abs(dx) ? std::abs(dx) : std::abs(dy);
    const float ex = start.x() + sgn(dx) * d;
    const float ey = start.y() + sgn(dy) * d * asp1;
    return {roundToInt16(ex), roundToInt16(ey)};
}

bool CanvasTools::placing() const {
    const int t = s_.ToolState;
    return (t == tool::Text || t == tool::Paste || t == tool::Motif) && (s_.PlaceWidth > 0 || s_.PlaceHeight > 0);
}

std::vector<OverlayItem> CanvasTools::overlay() const {
    std::vector<OverlayItem> items;
    if (!s_.qrnobj) return items;
    const qrnobj& q = *s_.qrnobj;
    const int t = s_.ToolState;
    if (banding_) items.push_back(t == tool::Circle ? ellipseItem() : bandItem(t));
    else if (placing()) {
        if (placementShown_) items.push_back(bandItem(t));
    } else if (selecting_ || q.selected) {
        items.push_back(bandItem(tool::Select));
    }
    // A band of no extent shows nothing.
    if (!items.empty() && (items.front().a == items.front().b)) items.clear();
    return items;
}

void CanvasTools::endPlacement() {
    const bool was = placing() || placementShown_;
    placementShown_ = false;
    s_.PlaceWidth = s_.PlaceHeight = 0;
    s_.Lead1[1].release();
    qrnobj& q = *s_.qrnobj;
    if (was) {
        q.smpx = q.smpy = q.empx = q.empy = 0;
        q.selected = false;
    }
    host_.setToolsEnabled(true);
    if (was) host_.overlayChanged();
}

void CanvasTools::cancelGesture() {
    const bool shown = banding_ || selecting_;
    banding_ = selecting_ = picking_ = false;
    if (shown) host_.overlayChanged();
}

void CanvasTools::setStart(QPoint at) {
    qrnobj& q = *s_.qrnobj;
    q.smpx = q.empx = static_cast<int16_t>(at.x());
    q.smpy = q.empy = static_cast<int16_t>(at.y());
}

void CanvasTools::placeAt(QPoint at) {
    qrnobj& q = *s_.qrnobj;
    q.smpx = static_cast<int16_t>(at.x());
    q.smpy = static_cast<int16_t>(at.y());
    q.empx = roundToInt16(double(q.smpx) + s_.PlaceWidth);
    q.empy = roundToInt16(double(q.smpy) + s_.PlaceHeight);
}

OverlayItem CanvasTools::bandItem(int t) const {
    const qrnobj& q = *s_.qrnobj;
    return {t == tool::Line ? OverlayItem::GreyLine : OverlayItem::DottedBox, QPoint(q.smpx, q.smpy),
            QPoint(q.empx, q.empy)};
}

OverlayItem CanvasTools::ellipseItem() const {
    const qrnobj& q = *s_.qrnobj;
    const double h = double(s_.zoom) * q.asp2();
    return {OverlayItem::Ellipse, QPoint(q.smpx * s_.zoom, roundToInt(q.smpy * h)),
            QPoint(q.empx * s_.zoom, roundToInt(q.empy * h))};
}

void CanvasTools::DrawLine(int t, int lmode, ColorRef colour) {
    if (lmode == 0) {
        host_.overlayChanged();
        return;
    }
    const qrnobj& q = *s_.qrnobj;
    QImage& bitmap = s_.LeadSrc.pixels();
    if (t == tool::Line) gdi::line(bitmap, {q.smpx, q.smpy}, {q.empx, q.empy}, colour, s_.LineWidth);
    else gdi::rectangle(bitmap, q.smpx, q.smpy, q.empx, q.empy, colour, s_.LineWidth, s_.FillFlag);
}

bool CanvasTools::DrawPen(int x, int y, int button) {
    if (x < 0 || y < 0 || x >= s_.LeadSrc.width() || y >= s_.LeadSrc.height()) return false;
    s_.LeadSrc.setPixel(x, y, buttonColor(button));
    host_.repaintStitch(x, y);
    return true;
}

int CanvasTools::PickPaletteIndex(double x, double y) {
    host_.setBusy(true);
    const ColorRef c = gdi::getPixel(s_.LeadSrc.image(), roundToInt(x), roundToInt(y));
    const int index = s_.PalTable.FindPalIndex(c);
    host_.setBusy(false);
    return index;
}

void CanvasTools::clearSelection() {
    qrnobj& q = *s_.qrnobj;
    // The buttons follow the state whatever they showed before.
    host_.setCutCopyEnabled(false);
    host_.setDeleteEnabled(false);
    if (!q.selected) return;
    q.smpx = q.smpy = q.empx = q.empy = 0;
    q.selected = false;
    host_.overlayChanged();
}

void CanvasTools::repaintFromBitmap() { host_.repaintFromBitmap(); }

void CanvasTools::setEnd(const MouseInput& m, bool constrained) {
    qrnobj& q = *s_.qrnobj;
    if (constrained) {
        const QPoint end = constrainedEnd(QPoint(q.smpx, q.smpy), m.x, m.y, q.asp1());
        q.empx = static_cast<int16_t>(end.x());
        q.empy = static_cast<int16_t>(end.y());
    } else {
        q.empx = roundToInt16(m.x);
        q.empy = roundToInt16(m.y);
    }
}

void CanvasTools::press(const MouseInput& m) {
    const int t = s_.ToolState;
    if (t == tool::Off) return;
    qrnobj& q = *s_.qrnobj;
    if (t > tool::Pen) takeUndoSnapshot(s_);
    const QPoint at(roundToInt16(m.x), roundToInt16(m.y));
    banding_ = selecting_ = picking_ = false;
    if (t == tool::Select) {
        if (m.button == 1) {
            // The new frame replaces the old selection now; it is one itself only once released.
            clearSelection();
            setStart(at);
            selecting_ = true;
            host_.overlayChanged();
        } else if (m.button == 2) {
            clearSelection();
        }
    } else if (t == tool::Pen) {
        if (m.shift) {
            picking_ = true;
            s_.SelectRightColor(PickPaletteIndex(m.x, m.y));
            host_.colorsChanged();
        } else {
            host_.setUndoEnabled(false);
            DrawPen(at.x(), at.y(), m.button);
            q.chgflg = true;
        }
    } else if (t == tool::Line || isDraggedFigure(t)) {
        host_.setUndoEnabled(true);
        // The band takes the corners a selection keeps: the selection ends here, not at the release.
        clearSelection();
        setStart(at);
        banding_ = true;
    } else if (t == tool::Text || t == tool::Paste) {
        host_.setUndoEnabled(true);
        placeAt(at);
    } else if (t == tool::Motif) {
        if (m.button == 2) endPlacement();
        else placeAt(at); // where the frame was, even when no hover came first
    } else if (t == tool::Eyedropper) {
        clearSelection();
    }
}

void CanvasTools::move(const MouseInput& m) {
    const int t = s_.ToolState;
    if (t == tool::Off) return;
    if (m.button == 0) {
        // Hover: the frame of a floating object follows the pointer.
        if (placing()) {
            placeAt(QPoint(roundToInt16(m.x), roundToInt16(m.y)));
            placementShown_ = true;
            host_.overlayChanged();
        }
        return;
    }
    if (t == tool::Select) {
        if (m.button != 1 || !selecting_) return;
        host_.autoscroll(m.x, m.y);
        setEnd(m, false);
        host_.overlayChanged();
    } else if (t == tool::Pen) {
        if (picking_) return;
        if (m.x >= 0 && m.y >= 0) DrawPen(roundToInt16(m.x), roundToInt16(m.y), m.button);
    } else if (!banding_) {
        return;
    } else if (bandFollowsFreely(t)) {
        setEnd(m, m.shift);
        host_.overlayChanged();
    } else if (t == tool::Circle) {
        host_.autoscroll(m.x, m.y);
        setEnd(m, m.shift);
        host_.overlayChanged();
    } else if (t >= 71 && t <= 89) {
        setEnd(m, true);
        host_.overlayChanged();
    }
}

void CanvasTools::commitCircle(ColorRef colour) {
    qrnobj& q = *s_.qrnobj;
    QImage& bitmap = s_.LeadSrc.pixels();
    gdi::ellipse(bitmap, q.smpx, q.smpy, q.empx, q.empy, colour, s_.LineWidth, s_.FillFlag);
    repaintFromBitmap();
    q.chgflg = true;
}

void CanvasTools::commitFill(const MouseInput& m, ColorRef colour) {
    if (m.x < 0 || m.y < 0) return;
    host_.setUndoEnabled(true);
    host_.setBusy(true);
    const QPoint at = pointToStitch(m.x, m.y);
    gdi::floodFill(s_.LeadSrc.pixels(), at.x(), at.y(), colour);
    repaintFromBitmap();
    host_.setBusy(false);
    s_.qrnobj->chgflg = true;
}

void CanvasTools::commitPaste(const MouseInput& m) {
    qrnobj& q = *s_.qrnobj;
    if (m.button == 1) {
        const int W = s_.LeadSrc.width(), H = s_.LeadSrc.height();
        const int w = W >= q.smpx + s_.PlaceWidth ? s_.PlaceWidth : W - q.smpx;
        const int h = H >= q.smpy + s_.PlaceHeight ? s_.PlaceHeight : H - q.smpy;
        const QImage src = s_.Lead1[0].image().convertToFormat(QImage::Format_RGB32);
        gdi::bitBlt(s_.LeadSrc.pixels(), q.smpx, q.smpy, w, h, src, 0, 0, gdi::Rop::SrcCopy);
        repaintFromBitmap();
    }
    endPlacement();
    host_.selectPen();
    q.chgflg = true;
}

void CanvasTools::commitText(const MouseInput& m) {
    qrnobj& q = *s_.qrnobj;
    if (m.button == 1 && placing()) {
        stampMask(s_.LeadSrc.pixels(), s_.Lead1[0].image(), QPoint(q.smpx, q.smpy), buttonColor(1));
        repaintFromBitmap();
    }
    endPlacement();
    s_.Lead1[0].release();
    host_.selectPen();
    // A right click writes nothing but still counts as a change, as every text release does.
    q.chgflg = true;
}

void CanvasTools::commitMotif(const MouseInput& m) {
    qrnobj& q = *s_.qrnobj;
    if (m.button == 1 && placing()) {
        host_.setBusy(true);
        stampMotif(s_.LeadSrc.pixels(), PreparedMotif{s_.Lead1[0].image(), s_.Lead1[1].image()},
                   QPoint(q.smpx, q.smpy));
        repaintFromBitmap();
        host_.setBusy(false);
    } else if (m.button == 2) {
        endPlacement();
        host_.selectPen();
    }
    q.chgflg = true;
}

void CanvasTools::ShapeDraw(int shapeCode, ColorRef colour) {
    qrnobj& q = *s_.qrnobj;
    if (q.empx < q.smpx) std::swap(q.empx, q.smpx);
    if (q.empy < q.smpy) std::swap(q.empy, q.smpy);
    const QRect figure(q.smpx, q.smpy, q.empx - q.smpx, q.empy - q.smpy);
    // Regular figures are stretched by the gauge; on a square gauge asp1 is 1.
    drawShape(s_.LeadSrc.pixels(), shapeCode, figure, {colour, s_.LineWidth, s_.FillFlag},
              q.mee() != q.dan() ? q.asp1() : 1.0f);
    repaintFromBitmap();
    q.chgflg = true;
}

void CanvasTools::release(const MouseInput& m) {
    const int t = s_.ToolState;
    if (t == tool::Off) return;
    qrnobj& q = *s_.qrnobj;
    const ColorRef colour = buttonColor(m.button);
    const bool banded = banding_;
    banding_ = picking_ = false;
    if (t == tool::Select) {
        if (m.button == 1 && selecting_) {
            selecting_ = false;
            // The frame runs between cell corners: a release that encloses no stitch is no
            // selection, and what is kept is what the frame shows.
            q.selected = true;
            const auto r = selectionRect(q, QSize(s_.LeadSrc.width(), s_.LeadSrc.height()));
            if (r) {
                q.smpx = static_cast<int16_t>(r->left());
                q.smpy = static_cast<int16_t>(r->top());
                q.empx = static_cast<int16_t>(r->right() + 1);
                q.empy = static_cast<int16_t>(r->bottom() + 1);
                host_.setCutCopyEnabled(true);
                host_.setDeleteEnabled(true);
            } else {
                q.selected = false;
                q.smpx = q.smpy = q.empx = q.empy = 0;
                host_.setCutCopyEnabled(false);
                host_.setDeleteEnabled(false);
            }
            host_.overlayChanged();
        }
    } else if ((t == tool::Line || t == tool::Rectangle) && banded) {
        DrawLine(t, 1, colour);
        repaintFromBitmap();
        q.chgflg = true;
    } else if (t == tool::Fill) {
        commitFill(m, colour);
    } else if (t == tool::Paste) {
        commitPaste(m);
    } else if (t == tool::Text) {
        commitText(m);
    } else if (t == tool::Motif) {
        commitMotif(m);
    } else if (t == tool::Eyedropper) {
        const int index = PickPaletteIndex(m.x, m.y);
        if (m.button == 1) s_.SelectLeftColor(index);
        else if (m.button == 2) s_.SelectRightColor(index);
        host_.colorsChanged();
        host_.selectPen();
    } else if (t == tool::Circle && banded) {
        commitCircle(colour);
    } else if (const auto code = shapeCodeOf(t); code && banded) {
        ShapeDraw(*code, colour);
    }
    if (s_.ToolState > 0) {
        const bool shown = q.selected;
        q.smpx = q.smpy = q.empx = q.empy = 0;
        q.selected = false;
        host_.setCutCopyEnabled(false);
        if (shown || banded) host_.overlayChanged();
    }
}

} // namespace qorn
