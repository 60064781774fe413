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

bool RecoveryKeeper::start() { return session_.started() || session_.start(); }

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
    if (!session_.started()) return;
    if (!modified()) {
        if (session_.hasCopy() || seen_) discard();
        return;
    }
    const Mark now = current();
    if (now == seen_) return;
    seen_ = now;
    if (now == written_ && session_.hasCopy()) {
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
    if (!session_.started()) return;
    if (!modified()) {
        discard();
        return;
    }
    const Mark now = current();
    if (now == written_ && session_.hasCopy()) return;
    // Never a message: a copy that cannot be written costs nothing until a crash, and the next
    // change tries again.
    const int e = trapErrors([&] {
        session_.write({state_.LeadSrc.image(), state_.qrnobj->mee(), state_.qrnobj->dan(), state_.RightIndex});
    });
    if (e == 0) written_ = now;
    seen_ = now;
}

void RecoveryKeeper::discard() {
    idle_.stop();
    longest_.stop();
    session_.remove();
    seen_.reset();
    written_.reset();
}

void RecoveryKeeper::markWritten() {
    if (!modified()) return;
    written_ = seen_ = current();
}

} // namespace qorn
