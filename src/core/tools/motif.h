#pragma once

#include "colour/palette.h"
#include "imaging/colorref.h"

#include <QByteArray>
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

class QIODevice;

namespace qorn {

inline const QString kMotifTooLarge = QStringLiteral("大きすぎるﾋﾞｯﾄﾏｯﾌﾟです");

constexpr int kMotifThumbnailSide = 48;
constexpr int kMotifIconSide = 32;

// True when the motif is wider or taller than the pattern; such a motif is refused.
bool motifTooLarge(QSize motif, QSize pattern);

// At most 48 x 48 with the motif's aspect kept: the longer side is 48.
QSize motifThumbnailSize(QSize motif);
// A motif ready for stamping. Masked: `mask` is white where the pattern keeps its stitch and
// black elsewhere, and `picture` is black there, so AND then exclusive-or leaves the background
// untouched. Solid: `mask` is null and the picture is copied whole.
struct PreparedMotif {
    QImage picture; // RGB32
    QImage mask;    // RGB32, or null
    bool masked() const { return !mask.isNull(); }
    QSize size() const { return picture.size(); }
};

// The motif drawn nearest-neighbour into the thumbnail size, so each stitch stays a crisp block;
// where a masked motif leaves the pattern alone it shows `face` (the window's colour).
QImage motifThumbnail(const PreparedMotif& motif, ColorRef face);

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
// The same from an open device, `format` naming its kind ("ico", "cur").
QList<QImage> readIconEntries(QIODevice* device, const QByteArray& format);

// How a motif file is stamped: a saved pattern (its side file) and an icon through a mask,
// anything else solid.
enum class MotifKind { Pattern, Icon, Picture };
// The resource type in an icon or cursor file's header: 1 icon, 2 cursor; 0 for a bitmap
// ("B" first) or anything else.
int iconResourceType(const QByteArray& head);
MotifKind motifKindOf(const QString& path);

// A motif file read whole, on the palette and masked, so later stamps never read the file again.
struct LoadedMotif {
    MotifKind kind = MotifKind::Picture;
    QString image; // the picture read: for a saved pattern, the one its side file names
    PreparedMotif motif;
};
// Throws the error an open would report (missing file, damaged side file or picture...).
LoadedMotif loadMotif(const QString& path, const Palette& palette);

// Stamps the motif with its top-left at `at`, clipped to the pattern (RGB32).
void stampMotif(QImage& pattern, const PreparedMotif& motif, QPoint at);

} // namespace qorn
