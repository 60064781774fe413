#pragma once

#include <QString>

class QIODevice;

namespace qorn {

// Qt's BMP reader allocates the picture without clearing it and keeps what a short file leaves
// unread, and a TIFF whose strips run past its end comes in nearly black. These checks compare
// what a BMP or TIFF header promises with the bytes the file really holds, before anything is
// decoded or allocated, and throw Error(err::Damaged) when the file cannot be whole. Any other
// content passes untouched: its reader judges it.
void checkComplete(QIODevice& device);
// The same for a file; one that cannot be opened is FileNotFound.
void checkComplete(const QString& path);

} // namespace qorn
