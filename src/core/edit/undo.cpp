#include "undo.h"

#include "app/editor_state.h"

namespace qorn {

void takeUndoSnapshot(EditorState& state) { state.undoSnapshot = state.LeadSrc.saveToMemory(); }

bool restoreUndoSnapshot(EditorState& state) {
    if (state.undoSnapshot.isEmpty()) return false;
    if (state.qrnobj && state.qrnobj->selected) {
        state.qrnobj->selected = false;
        state.qrnobj->smpx = state.qrnobj->smpy = state.qrnobj->empx = state.qrnobj->empy = 0;
    }
    const QSize before(state.LeadSrc.width(), state.LeadSrc.height());
    state.LeadSrc.loadFromMemory(state.undoSnapshot);
    return QSize(state.LeadSrc.width(), state.LeadSrc.height()) != before;
}

} // namespace qorn
