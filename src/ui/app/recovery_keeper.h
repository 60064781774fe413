#pragma once

#include "document/recovery.h"

#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>

class QWidget;

namespace qorn {

struct EditorState;

// Keeps this run's recovery copy in step with the open pattern. A change is written once
// editing pauses, and at the latest a fixed time after the first change not yet written, so a
// long uninterrupted edit is kept too. Once nothing is unsaved the copy goes.
class RecoveryKeeper : public QObject {
public:
    explicit RecoveryKeeper(EditorState& state);
    ~RecoveryKeeper() override;

    // Takes this run's lock in the recovery folder; without it the keeper does nothing.
    bool start();
    RecoverySession& session() { return session_; }
    // The widget's paints report that the pattern may have changed: every command and every
    // stroke ends with a repaint of what it changed.
    void watch(QWidget* widget);
    void setDelays(int idleMs, int longestMs);

    // Cheap enough for every paint: compares what the copy would hold with what was seen.
    void changed();
    // Hands a pending change to the writer at once.
    void writeNow();
    // Returns once the writer has nothing in hand.
    void flush();
    // The work was saved or thrown away: no copy, nothing pending.
    void discard();
    // The copy on disk already holds the pattern as it is (a restored copy taken over).
    void markWritten();

    static constexpr int kIdleMs = 2000;
    static constexpr int kLongestMs = 30000;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What identifies the pattern's state: the bitmap's identity changes with every write to
    // its pixels, the rest is what the side file holds.
    struct Mark {
        qint64 bitmap = 0;
        int mee = 0, dan = 0, background = 0;
        bool operator==(const Mark&) const = default;
    };
    Mark current() const;
    bool modified() const;

    EditorState& state_;
    RecoverySession session_;
    std::unique_ptr<RecoveryWriter> writer_; // from start() on
    QTimer idle_;
    QTimer longest_;
    std::optional<Mark> seen_;
    std::optional<Mark> written_;
};

} // namespace qorn
