#pragma once

#include "imaging/colorref.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>

namespace qorn {

// The text tool's font choices, in the units the dialog offers.
struct TextFontChoice {
    QString family;
    int height = 10;  // pixels (stitches)
    int width = 0;    // average character width in pixels; 0 keeps the font's own
    int angle = 0;    // degrees, counter-clockwise, 0 to 360
    int weight = 400; // Qt's 100 to 900 scale
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
};

// The unstretched, unrotated font: pixel height, stretch for the width, no antialiasing so a
// stitch is either written or left alone.
QFont textFont(const TextFontChoice& choice);

// The text as the tool stamps it. `mask` is `frame` in size, RGB32: black (0xFF000000) where a
// stitch takes the colour, white elsewhere. Its top-left corner is the placement point.
struct TextStamp {
    QImage mask;
    QSize frame;      // placement frame, stitches x rows
    int position = 0; // quadrant of the angle, angle / 90
    // The frame would reach the 16-bit limit or hold more than kMaxTextStitches: nothing drawn.
    bool tooLarge = false;
};

constexpr qint64 kMaxTextStitches = qint64(1) << 24;

// The frame follows the dialog's measure: width and height of the text (exchanged in odd
// quadrants); at whole quarter turns the height is stretched by asp1, otherwise the bounding box
// of the turned text, which is stretched by asp1 too so the stretched letters stay inside it.
// A frame at the 16-bit limit, or too large to hold, is refused (`tooLarge`) instead of drawn.
TextStamp renderTextStamp(const QString& text, const TextFontChoice& choice, double asp1);

// Writes `colour` into `pattern` (RGB32) wherever `mask` is black, with the mask's top-left at
// `at`; everything outside the pattern is dropped.
void stampMask(QImage& pattern, const QImage& mask, QPoint at, ColorRef colour);

} // namespace qorn
