#pragma once

#include <QByteArray>
#include <QImage>

namespace qorn::pcx {

// True when the bytes start like a PCX header.
bool looksLikePcx(const QByteArray& data);

// Decodes 1-, 2-, 4-bit (one to four planes), 8-bit paletted and 24-bit PCX. Throws qorn::Error
// 20009 for damaged content and 20016 for a PCX variant it does not know.
QImage read(const QByteArray& data);

// Version 5, run-length encoded. An Indexed8 image is written with one plane and the 0x0C
// 256-colour trailer; anything else as three 8-bit planes.
QByteArray write(const QImage& image);

} // namespace qorn::pcx
