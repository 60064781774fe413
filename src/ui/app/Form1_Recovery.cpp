// Crash recovery: the copy of unsaved work, its removal, and the offer at start-up.
#include "Form1.h"

#include "common/error.h"
#include "recovery_keeper.h"
#include "view/canvas_widgets.h"
#include "colour/palette_widgets.h"

namespace qorn {

RecoveryKeeper& Form1::recoveryKeeper() {
    if (!recovery_) recovery_ = std::make_unique<RecoveryKeeper>(state_);
    return *recovery_;
}

void Form1::setRecoveryDelays(int idleMs, int longestMs) { recoveryKeeper().setDelays(idleMs, longestMs); }

QString Form1::recoveryCopyPath() const {
    return recovery_ && recovery_->session().hasCopy() ? recovery_->session().copyPath() : QString();
}

void Form1::syncRecovery() {
    if (recovery_) recovery_->changed();
}

void Form1::dropRecovery() {
    if (recovery_) recovery_->discard();
}

bool Form1::offerRecovery() {
    RecoveryKeeper& keeper = recoveryKeeper();
    // Without a folder to keep copies in the editor runs as before, only without the safety net.
    if (!keeper.start()) return false;
    keeper.watch(Picdisplay);
    keeper.watch(Nowcolor); // the background colour
    for (const auto& orphan : keeper.session().orphans()) {
        RecoveryContent content;
        Raster pattern;
        // A copy that cannot be read back is of no use to anyone: it goes without a word.
        if (trapErrors([&] {
                content = orphan->read();
                pattern.setImage(content.pattern);
            })) {
            orphan->discard();
            continue;
        }
        const int answer = services_.prompter->MsgBox(
            QStringLiteral("前回終了時に保存されていない図案があります。復元しますか？"), vbYesNo, QStringLiteral("QORN"));
        if (answer != vbYes) {
            orphan->discard();
            continue;
        }
        // The work comes back unsaved and nameless, as a new pattern that was drawn on.
        state_.LeadSrc = pattern;
        state_.qrnobj->setMee(content.mee);
        state_.qrnobj->setDan(content.dan);
        state_.RightIndex = static_cast<int16_t>(content.background);
        afterPatternLoaded();
        state_.qrnobj->chgflg = true;
        // It stays on disk as this run's copy until saved or thrown away: a second crash keeps it.
        if (keeper.session().adopt(*orphan)) {
            keeper.markWritten();
        } else {
            keeper.writeNow();
            keeper.flush();
            if (keeper.session().hasCopy()) orphan->discard();
        }
        return true;
    }
    return false;
}

} // namespace qorn
