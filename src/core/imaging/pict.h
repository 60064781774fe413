#pragma once

#include <QByteArray>
#include <QImage>

namespace qorn::pict {

// True when the bytes hold a version 2 picture, with or without the 512-byte file header.
bool looksLikePict(const QByteArray& data);

// Decodes the bitmap opcodes of a version 2 picture (BitsRect, PackBitsRect, DirectBitsRect
// and their region forms; 1 to 8 bits indexed, 16 and 32 bits direct). Several bands are put
// together on the picture frame. Throws qorn::Error 20009 or 20016.
QImage read(const QByteArray& data);

// Version 2 with one PackBitsRect (Indexed8, full 256-entry colour table) or one DirectBitsRect
// (anything else, 32 bits, component packing).
QByteArray write(const QImage& image);

} // namespace qorn::pict
