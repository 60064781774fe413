#pragma once

namespace qorn {

struct EditorState;

// One level of undo: the whole pattern as BMP bytes, replaced by every undoable command just
// before it changes the pattern.
void takeUndoSnapshot(EditorState& state);

// Brings the snapshot back; the document state (gauge, modified flag, file, colours) stays.
// Any selection is dropped. True when the pattern's size changed.
bool restoreUndoSnapshot(EditorState& state);

} // namespace qorn
