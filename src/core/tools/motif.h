#pragma once

#include "imaging/colorref.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

namespace qorn {

inline const QString kMotifTooLarge = QStringLiteral("大きすぎるﾋﾞｯﾄﾏｯﾌﾟです");

constexpr int kMotifThumbnailSide = 48;
constexpr int kMotifIconSide = 32;

// True when the motif is wider or taller than the pattern; such a motif is refused.
bool motifTooLarge(QSize motif, QSize pattern);

// At most 48 x 48 with the motif's aspect kept: the longer side is 48.
QSize motifThumbnailSize(QSize motif);
// The motif drawn nearest-neighbour into that size, so each stitch stays a crisp block. When
// `background` is given, the motif's stitches of that colour show `face` (the window's colour).
QImage motifThumbnail(const QImage& motif, std::optional<ColorRef> background = std::nullopt,
                      ColorRef face = 0);

// A motif ready for stamping. Masked: `mask` is white where the pattern keeps its stitch and
// black elsewhere, and `picture` is black there, so AND then exclusive-or leaves the background
// untouched. Solid: `mask` is null and the picture is copied whole.
struct PreparedMotif {
    QImage picture; // RGB32
    QImage mask;    // RGB32, or null
    bool masked() const { return !mask.isNull(); }
    QSize size() const { return picture.size(); }
};

// A saved pattern: its background is recognised by colour, so a palette repeating that colour
// under another index still counts as background.
PreparedMotif maskedByColour(const QImage& motif, ColorRef background);
// An icon: stamped 32 x 32 whatever its size, transparent where its alpha is below half.
PreparedMotif maskedByAlpha(const QImage& icon);
PreparedMotif solidMotif(const QImage& motif);

// The 32 x 32 entry of an icon file's entries, else the entry nearest that size scaled to
// 32 x 32 without smoothing. Null when there are none.
QImage iconEntry32(const QList<QImage>& entries);
// Every entry of an icon file, through Qt's reader (which alone returns only the first).
QList<QImage> readIconEntries(const QString& path);

// Stamps the motif with its top-left at `at`, clipped to the pattern (RGB32).
void stampMotif(QImage& pattern, const PreparedMotif& motif, QPoint at);

} // namespace qorn
