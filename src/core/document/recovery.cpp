#include "recovery.h"

#include "colour/palette.h"
#include "common/error.h"
#include "common/file_write.h"
#include "document/qrnobj.h"
#include "imaging/bmp_writer.h"
#include "imaging/codec_limits.h"
#include "imaging/raster.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>
#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace qorn {
namespace {

constexpr char kMagic[8] = {'Q', 'O', 'R', 'N', 'R', 'C', 'V', '1'};
// Magic, three fields and the length of the picture.
constexpr qsizetype kHeaderBytes = 8 + 4 * 3 + 4;
constexpr qsizetype kChecksumBytes = 8;
// Far beyond any pattern the editor makes; a bigger file is not read into memory at all.
constexpr qint64 kLargestCopy = 256ll * 1024 * 1024;

// A 64-bit hash taken eight bytes a step, fast enough to run over every write. Each step is a
// bijection of the running value, so any one changed word always changes the result.
quint64 checksum(const char* data, qsizetype size) {
    quint64 h = 0xcbf29ce484222325ull;
    qsizetype i = 0;
    for (; i + 8 <= size; i += 8) {
        h = (h ^ qFromLittleEndian<quint64>(data + i)) * 0x100000001b3ull;
        h ^= h >> 29;
    }
    for (; i < size; ++i) h = (h ^ static_cast<uchar>(data[i])) * 0x100000001b3ull;
    return h;
}

void putInt(QByteArray& out, qsizetype at, quint32 value) { qToLittleEndian<quint32>(value, out.data() + at); }
qint32 intAt(const QByteArray& in, qsizetype at) { return qFromLittleEndian<qint32>(in.constData() + at); }

QString& folderOverride() {
    static QString folder;
    return folder;
}

std::unique_ptr<QLockFile> lockFor(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0); // only a dead owner makes a copy an orphan, never its age
    return lock;
}

} // namespace

QByteArray recoveryBytes(const RecoveryContent& content) {
    return guardAllocation([&] {
        const QImage image = content.pattern.format() == QImage::Format_RGB32
                                 ? content.pattern
                                 : content.pattern.convertToFormat(QImage::Format_RGB32);
        const BmpRowWriter bmp(image.width(), image.height(), image.dotsPerMeterX(), image.dotsPerMeterY());
        const qint64 bmpSize = bmp.fileSize();
        if (bmpSize == 0) throw Error(err::Damaged, QStringLiteral("no pattern to keep"));
        QByteArray out(kHeaderBytes + bmpSize + kChecksumBytes, Qt::Uninitialized);
        std::memcpy(out.data(), kMagic, sizeof kMagic);
        putInt(out, 8, static_cast<quint32>(content.mee));
        putInt(out, 12, static_cast<quint32>(content.dan));
        putInt(out, 16, static_cast<quint32>(content.background));
        putInt(out, 20, static_cast<quint32>(bmpSize));
        QByteArray header;
        QBuffer headerBuffer(&header);
        headerBuffer.open(QIODevice::WriteOnly);
        if (!bmp.writeHeader(headerBuffer)) throw Error(err::OutOfMemory);
        std::memcpy(out.data() + kHeaderBytes, header.constData(), static_cast<size_t>(header.size()));
        // The rows as the BMP writer lays them out, straight into place: bottom row first,
        // blue-green-red, zero padding to four bytes.
        const int width = image.width();
        const qsizetype rowBytes = (qsizetype(width) * 3 + 3) / 4 * 4;
        char* row = out.data() + kHeaderBytes + header.size();
        for (int y = image.height() - 1; y >= 0; --y, row += rowBytes) {
            const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            char* b = row;
            for (int x = 0; x < width; ++x) {
                const QRgb p = pixels[x];
                *b++ = static_cast<char>(qBlue(p));
                *b++ = static_cast<char>(qGreen(p));
                *b++ = static_cast<char>(qRed(p));
            }
            std::memset(b, 0, static_cast<size_t>(row + rowBytes - b));
        }
        const qsizetype body = out.size() - kChecksumBytes;
        qToLittleEndian<quint64>(checksum(out.constData(), body), out.data() + body);
        return out;
    });
}

RecoveryContent readRecoveryBytes(const QByteArray& bytes) {
    const auto damaged = [](const char* why) { return Error(err::Damaged, QString::fromLatin1(why)); };
    if (bytes.size() < kHeaderBytes + kChecksumBytes) throw damaged("recovery copy cut short");
    if (std::memcmp(bytes.constData(), kMagic, sizeof kMagic) != 0) throw damaged("no recovery copy");
    const qsizetype body = bytes.size() - kChecksumBytes;
    if (checksum(bytes.constData(), body) != qFromLittleEndian<quint64>(bytes.constData() + body))
        throw damaged("recovery copy altered");
    RecoveryContent c;
    c.mee = intAt(bytes, 8);
    c.dan = intAt(bytes, 12);
    c.background = intAt(bytes, 16);
    const qint64 bmpSize = intAt(bytes, 20);
    if (bmpSize != body - kHeaderBytes) throw damaged("recovery copy cut short");
    if (c.mee < qrnobj::kMinGauge || c.mee > qrnobj::kMaxGauge || c.dan < qrnobj::kMinGauge ||
        c.dan > qrnobj::kMaxGauge || c.background < 0 || c.background >= Palette::kSize)
        throw damaged("recovery fields out of range");
    Raster pattern;
    pattern.loadFromMemory(bytes.mid(kHeaderBytes, bmpSize));
    if (pattern.bitsPerPixel() != 24) throw damaged("recovery pattern not 24-bit");
    c.pattern = pattern.image();
    return c;
}

RecoveryContent readRecoveryFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw Error(err::FileNotFoundOs);
    if (file.size() > kLargestCopy) throw Error(err::Damaged, QStringLiteral("recovery copy too large"));
    return readRecoveryBytes(guardAllocation([&] { return file.readAll(); }));
}

QString recoveryFolder() {
    if (!folderOverride().isEmpty()) return folderOverride();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return data.isEmpty() ? QString() : data + QStringLiteral("/recovery");
}

void setRecoveryFolderOverride(const QString& folder) { folderOverride() = folder; }

OrphanCopy::OrphanCopy(QString path, std::unique_ptr<QLockFile> lock) : path_(std::move(path)), lock_(std::move(lock)) {}

OrphanCopy::~OrphanCopy() = default;

QDateTime OrphanCopy::written() const { return QFileInfo(path_).lastModified(); }

void OrphanCopy::discard() {
    if (!path_.isEmpty()) QFile::remove(path_);
    path_.clear();
    if (lock_) lock_->unlock();
}

RecoverySession::RecoverySession(const QString& folder)
    : folder_(folder),
      base_(QStringLiteral("qorn-%1-%2")
                .arg(QCoreApplication::applicationPid())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))) {}

RecoverySession::~RecoverySession() = default;

bool RecoverySession::start() {
    if (folder_.isEmpty() || !QDir().mkpath(folder_)) return false;
    auto lock = lockFor(QDir(folder_).filePath(base_ + QLatin1String(kLockSuffix)));
    if (!lock->tryLock(0)) return false;
    lock_ = std::move(lock);
    return true;
}

QString RecoverySession::copyPath() const { return QDir(folder_).filePath(base_ + QLatin1String(kCopySuffix)); }

void RecoverySession::write(const RecoveryContent& content) {
    if (!started()) throw Error(err::PathFileAccess, QStringLiteral("no recovery folder"));
    writeFileAtomically(copyPath(), recoveryBytes(content), err::IoError);
    hasCopy_ = true;
}

void RecoverySession::remove() {
    if (started()) QFile::remove(copyPath());
    hasCopy_ = false;
}

std::vector<std::unique_ptr<OrphanCopy>> RecoverySession::orphans() const {
    std::vector<std::unique_ptr<OrphanCopy>> found;
    if (!started()) return found;
    const QDir dir(folder_);
    QSet<QString> bases;
    for (const QString& name : dir.entryList({QStringLiteral("qorn-*")}, QDir::Files | QDir::Hidden)) {
        const QString base = name.section(QLatin1Char('.'), 0, 0);
        if (base != base_) bases.insert(base);
    }
    for (const QString& base : bases) {
        auto lock = lockFor(dir.filePath(base + QLatin1String(kLockSuffix)));
        if (!lock->tryLock(0)) continue; // that editor is still running
        // A write cut short by the crash never became the copy; its temporary file goes.
        const QString copy = base + QLatin1String(kCopySuffix);
        for (const QString& partial : dir.entryList({copy + QStringLiteral(".*")}, QDir::Files | QDir::Hidden))
            QFile::remove(dir.filePath(partial));
        if (QFileInfo(dir.filePath(copy)).isFile())
            found.push_back(std::make_unique<OrphanCopy>(dir.filePath(copy), std::move(lock)));
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a->written() > b->written(); });
    return found;
}

bool RecoverySession::adopt(OrphanCopy& orphan) {
    if (!started() || orphan.path_.isEmpty()) return false;
    QFile::remove(copyPath());
    if (!QFile::rename(orphan.path_, copyPath())) return false;
    hasCopy_ = true;
    orphan.path_.clear();
    orphan.lock_->unlock();
    return true;
}

} // namespace qorn

namespace qorn {

RecoveryWriter::RecoveryWriter(RecoverySession& session) : session_(session), thread_([this] { run(); }) {}

RecoveryWriter::~RecoveryWriter() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void RecoveryWriter::write(RecoveryContent content, std::function<void(bool)> done) {
    {
        const std::lock_guard lock(mutex_);
        pending_ = Job{std::move(content), std::move(done)};
    }
    wake_.notify_all();
}

void RecoveryWriter::remove() {
    std::unique_lock lock(mutex_);
    pending_.reset();
    idle_.wait(lock, [this] { return !busy_; });
    // Still under the lock: no write can start until the copy is gone.
    session_.remove();
}

void RecoveryWriter::wait() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return !busy_ && !pending_; });
}

void RecoveryWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || stop_; });
        if (!pending_) return;
        Job job = std::move(*pending_);
        pending_.reset();
        busy_ = true;
        lock.unlock();
        const bool written = trapErrors([&] { session_.write(job.content); }) == 0;
        job.content = {}; // the editor's next change need not copy the picture any more
        trapErrors([&] {
            if (job.done) job.done(written);
        });
        lock.lock();
        busy_ = false;
        idle_.notify_all();
    }
}

} // namespace qorn
