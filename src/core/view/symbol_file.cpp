#include "symbol_file.h"

#include "common/cp932.h"
#include "common/error.h"

#include <QFile>
#include <QFileInfo>

namespace qorn {
namespace {

// 256 characters take at most 512 bytes; anything past this is too long whatever it holds,
// and a huge file is never read whole.
constexpr qsizetype kMaxFieldBytes = 64 * 1024;

struct Field {
    QByteArray bytes;
    bool tooLong = false;
    bool readError = false;
};

// The first field by list-input rules. The delimiters are never the second byte of a CP932
// character, so scanning bytes finds the same end as scanning characters.
Field firstField(QIODevice& in) {
    Field f;
    enum class Phase { Blanks, Quoted, Plain } phase = Phase::Blanks;
    char chunk[4096];
    for (;;) {
        const qint64 got = in.read(chunk, sizeof chunk);
        if (got < 0) {
            f.readError = true;
            return f;
        }
        if (got == 0) return f; // the end of the file ends any field
        for (qint64 i = 0; i < got; ++i) {
            const char c = chunk[i];
            switch (phase) {
            case Phase::Blanks:
                if (c == ' ' || c == '\t') continue;
                if (c == '"') {
                    phase = Phase::Quoted;
                    continue;
                }
                phase = Phase::Plain;
                [[fallthrough]];
            case Phase::Plain:
                if (c == ',' || c == '\r' || c == '\n') return f;
                break;
            case Phase::Quoted:
                if (c == '"') return f;
                break;
            }
            if (f.bytes.size() == kMaxFieldBytes) {
                f.tooLong = true;
                return f;
            }
            f.bytes.append(c);
        }
    }
}

SymbolFileResult failure(SymbolFileStatus status, int number = 0) {
    SymbolFileResult r;
    r.status = status;
    r.errorNumber = number;
    return r;
}

} // namespace

QString symbolFileMissingMessage() { return QStringLiteral("SYMファイルが見つかりません"); }
QString symbolFileDamagedMessage() { return QStringLiteral("SYMファイルが異常です"); }

QString SymbolFileResult::message() const {
    switch (status) {
    case SymbolFileStatus::Missing:
        return symbolFileMissingMessage();
    case SymbolFileStatus::Short:
    case SymbolFileStatus::Undecodable:
        return symbolFileDamagedMessage();
    default:
        return {};
    }
}

SymbolFileResult readSymbolFile(const QString& path, int backgroundIndex) {
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return failure(SymbolFileStatus::Missing);
    if (info.isDir()) return failure(SymbolFileStatus::Unreadable, err::PathFileAccess);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return failure(SymbolFileStatus::Unreadable, err::PermissionDenied);
    return readSymbolFile(file, backgroundIndex);
}

SymbolFileResult readSymbolFile(QIODevice& in, int backgroundIndex) {
    const Field field = firstField(in);
    if (field.readError) return failure(SymbolFileStatus::Unreadable, err::IoError);
    if (field.tooLong) return failure(SymbolFileStatus::TooLong, err::SubscriptOutOfRange);

    const std::optional<QString> text = decodeCp932(field.bytes);
    if (!text) return failure(SymbolFileStatus::Undecodable);
    const QList<uint> chars = text->toUcs4();
    if (chars.size() < 256) return failure(SymbolFileStatus::Short);
    if (chars.size() > 256) return failure(SymbolFileStatus::TooLong, err::SubscriptOutOfRange);

    SymbolFileResult r;
    for (int i = 0; i < 256; ++i) {
        const char32_t c = chars[i];
        Symbol& s = r.table[static_cast<size_t>(i)];
        s.text = QString::fromUcs4(&c, 1);
        const std::optional<QByteArray> bytes = encodeCp932(s.text);
        if (!bytes) return failure(SymbolFileStatus::Undecodable);
        s.bytes = *bytes;
    }
    if (backgroundIndex >= 0 && backgroundIndex < 256)
        r.table[static_cast<size_t>(backgroundIndex)] = Symbol{kBackgroundSymbolText, kBackgroundSymbolBytes};
    r.status = SymbolFileStatus::Ok;
    return r;
}

} // namespace qorn
