#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QLockFile;

namespace qorn {

// What a recovery copy keeps of unsaved work: the pattern and the fields its side file would
// hold. The pattern comes back as 32-bit RGB, exactly as it was.
struct RecoveryContent {
    QImage pattern;
    int mee = 20;
    int dan = 20;
    int background = 15;
};

// One file: a header with the fields, the pattern as a 24-bit BMP and a checksum over all of it.
QByteArray recoveryBytes(const RecoveryContent& content);
// Reads it back; anything cut short, altered or out of range throws Error(err::Damaged).
RecoveryContent readRecoveryBytes(const QByteArray& bytes);
RecoveryContent readRecoveryFile(const QString& path);

// The folder the copies live in: the user's application data, unless tests point it elsewhere.
QString recoveryFolder();
void setRecoveryFolderOverride(const QString& folder);

// A copy left by an editor that is no longer running. While this object lives it holds the
// copy's lock, so no other editor offers the same copy at the same time.
class OrphanCopy {
public:
    OrphanCopy(QString path, std::unique_ptr<QLockFile> lock);
    ~OrphanCopy();
    const QString& path() const { return path_; }
    QDateTime written() const;
    RecoveryContent read() const { return readRecoveryFile(path_); }
    // The copy and its lock go.
    void discard();

private:
    friend class RecoverySession;
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

// The recovery copy of one running editor. Its lock marks the copy as alive; an editor that
// crashes leaves the copy behind with a lock whose owner is gone.
class RecoverySession {
public:
    explicit RecoverySession(const QString& folder = recoveryFolder());
    // Releases the lock and leaves the copy: only a deliberate remove() throws work away.
    ~RecoverySession();

    // Creates the folder and takes this session's lock; false when neither can be done.
    bool start();
    bool started() const { return lock_ != nullptr; }
    // Replaces the copy atomically: a crash mid-write leaves the previous copy or none, never a
    // part of one. Failures throw qorn::Error.
    void write(const RecoveryContent& content);
    void remove();
    bool hasCopy() const { return hasCopy_.load(); }
    QString copyPath() const;

    // Copies whose editor is gone, newest first, each locked for this session. Unfinished
    // writes of those editors are cleaned away on the way.
    std::vector<std::unique_ptr<OrphanCopy>> orphans() const;
    // Takes the orphan over as this session's own copy, without writing it again.
    bool adopt(OrphanCopy& orphan);

    static constexpr const char* kCopySuffix = ".qrec";
    static constexpr const char* kLockSuffix = ".lock";

private:
    QString folder_;
    QString base_;
    std::unique_ptr<QLockFile> lock_;
    std::atomic<bool> hasCopy_ = false;
};

// Writes a session's copy on a thread of its own: the editor never waits for the disk, which
// may flush for tens of milliseconds. Only the newest content matters: one handed over while
// another still waits replaces it.
class RecoveryWriter {
public:
    explicit RecoveryWriter(RecoverySession& session);
    // Finishes the write in hand and the one waiting: a run that ends without removing its copy
    // leaves it up to date.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    // Hands the content over and returns at once. `done` runs on the writer's thread, told
    // whether the copy was written; a write never throws.
    void write(RecoveryContent content, std::function<void(bool)> done = {});
    // Drops what waits, lets the write in hand finish, then removes the copy: nothing written
    // before this call can bring it back.
    void remove();
    // Returns once nothing is in hand or waiting.
    void wait();

private:
    struct Job {
        RecoveryContent content;
        std::function<void(bool)> done;
    };
    void run();

    RecoverySession& session_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<Job> pending_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread thread_;
};

} // namespace qorn
