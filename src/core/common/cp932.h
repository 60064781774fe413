#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <optional>

namespace qorn {

// Text files of the program are in the Windows Japanese code page. glibc's "CP932" converts
// it exactly as Windows does; Qt's own codecs and "SHIFT_JIS" differ on common characters.

// The CP932 bytes of `text`, or nothing when a character has no CP932 form.
std::optional<QByteArray> encodeCp932(QStringView text);

// The text of `bytes`, or nothing when they are not valid CP932 (a byte no character starts
// with, a lead byte without a fitting second byte, a lead byte at the end). Never U+FFFD.
std::optional<QString> decodeCp932(const QByteArray& bytes);

} // namespace qorn
