// The edit menu.
#include "app/Form1.h"
#include "edit/undo.h"

#include <QAction>

namespace qorn {

void Form1::setUndoEnabled(bool enabled) {
    mnuUndo->setEnabled(enabled);
    tbButton(QStringLiteral("undo"))->setEnabled(enabled);
}

void Form1::mnuUndo_Click() {
    if (restoreUndoSnapshot(state_)) {
        // A pattern of another size needs its own layout, scroll ranges and status line.
        LayoutCanvas();
        runVisibleScrollHandlers();
        refreshStatusLabels();
    }
    RepaintCanvas();
    setUndoEnabled(false);
}

} // namespace qorn
