#include "recovery_keeper.h"

#include "app/editor_state.h"
#include "common/error.h"

#include <QEvent>
#include <QWidget>

namespace qorn {

RecoveryKeeper::RecoveryKeeper(EditorState& state) : state_(state) {
    idle_.setSingleShot(true);
    longest_.setSingleShot(true);
    setDelays(kIdleMs, kLongestMs);
    connect(&idle_, &QTimer::timeout, this, [this] { writeNow(); });
    connect(&longest_, &QTimer::timeout, this, [this] { writeNow(); });
}

RecoveryKeeper::~RecoveryKeeper() = default;

bool RecoveryKeeper::start() {
    if (writer_) return true;
    if (!session_.start()) return false;
    writer_ = std::make_unique<RecoveryWriter>(session_);
    return true;
}

void RecoveryKeeper::watch(QWidget* widget) { widget->installEventFilter(this); }

void RecoveryKeeper::setDelays(int idleMs, int longestMs) {
    idle_.setInterval(idleMs);
    longest_.setInterval(longestMs);
}

bool RecoveryKeeper::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Paint) changed();
    return false;
}

bool RecoveryKeeper::modified() const { return state_.qrnobj && state_.qrnobj->chgflg; }

RecoveryKeeper::Mark RecoveryKeeper::current() const {
    return {state_.LeadSrc.image().cacheKey(), state_.qrnobj->mee(), state_.qrnobj->dan(), state_.RightIndex};
}

void RecoveryKeeper::changed() {
    if (!writer_) return;
    if (!modified()) {
        if (session_.hasCopy() || seen_) discard();
        return;
    }
    const Mark now = current();
    if (now == seen_) return;
    seen_ = now;
    if (now == written_) {
        idle_.stop();
        longest_.stop();
        return;
    }
    idle_.start();
    if (!longest_.isActive()) longest_.start();
}

void RecoveryKeeper::writeNow() {
    idle_.stop();
    longest_.stop();
    if (!writer_) return;
    if (!modified()) {
        discard();
        return;
    }
    const Mark now = current();
    if (now == written_) return;
    written_ = seen_ = now;
    // The writer takes a shared copy of the bitmap; the next stroke detaches the editor's own.
    // Never a message: a copy that cannot be written costs nothing until a crash, and the next
    // change tries again.
    writer_->write({state_.LeadSrc.image(), state_.qrnobj->mee(), state_.qrnobj->dan(), state_.RightIndex},
                   [this, now](bool written) {
                       if (written) return;
                       QMetaObject::invokeMethod(this, [this, now] {
                           if (written_ == now) written_.reset();
                       }, Qt::QueuedConnection);
                   });
}

void RecoveryKeeper::flush() {
    if (writer_) writer_->wait();
}

void RecoveryKeeper::discard() {
    idle_.stop();
    longest_.stop();
    if (writer_) writer_->remove();
    seen_.reset();
    written_.reset();
}

void RecoveryKeeper::markWritten() {
    if (!modified()) return;
    written_ = seen_ = current();
}

} // namespace qorn
