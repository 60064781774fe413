#pragma once

#include <QByteArray>
#include <QString>

#include <array>

class QIODevice;

namespace qorn {

// One chart symbol: a single character and the CP932 bytes a text chart writes for it. The
// bytes are the character encoded again, as the system writes text, so a duplicate code of
// the file (0x8790 for "≒") comes out in its standard form (0x81E0).
struct Symbol {
    QString text;
    QByteArray bytes;
    bool operator==(const Symbol&) const = default;
};

// The symbol of each palette index.
using SymbolTable = std::array<Symbol, 256>;

// The full-width blank that stands for the background colour, and its CP932 bytes.
inline const QString kBackgroundSymbolText = QStringLiteral("\u3000");
inline const QByteArray kBackgroundSymbolBytes = QByteArrayLiteral("\x81\x40");

enum class SymbolFileStatus {
    Ok,
    Missing,     // no file at the path
    Short,       // fewer than 256 characters
    TooLong,     // more than 256 characters: run-time error 9, as an index past the table
    Undecodable, // bytes that are not CP932; the user is told the file is damaged, like Short
    Unreadable,  // a folder or a file that cannot be read: the run-time number of that failure
};

struct SymbolFileResult {
    SymbolFileStatus status = SymbolFileStatus::Missing;
    int errorNumber = 0; // the run-time number of TooLong and Unreadable, 0 otherwise
    SymbolTable table;   // filled only when ok()

    bool ok() const { return status == SymbolFileStatus::Ok; }
    // The Japanese text for Missing, Short and Undecodable; empty for the failures that go
    // through the command's run-time error handling (errorNumber) and for Ok.
    QString message() const;
};

// Texts every user of the symbol file shows.
QString symbolFileMissingMessage();  // "SYMファイルが見つかりません"
QString symbolFileDamagedMessage();  // "SYMファイルが異常です"

// Reads the first field of the symbol file at `path` by list-input rules and makes its 256
// characters the table, character i the symbol of palette index i. The entry of
// `backgroundIndex` is the full-width blank whatever the file says (an index outside 0-255
// replaces none, which is how the shipped file is checked). Read afresh at every use.
SymbolFileResult readSymbolFile(const QString& path, int backgroundIndex);
// The same from an open device, read from where it stands.
SymbolFileResult readSymbolFile(QIODevice& in, int backgroundIndex);

} // namespace qorn
