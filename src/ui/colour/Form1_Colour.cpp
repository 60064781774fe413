// The palette and the current colours.
#include "app/Form1.h"
#include "palette_widgets.h"

namespace qorn {

void Form1::refreshColorBoxes() {
    Palbox->setMarker(state_.LeftIndex);
    Nowcolor->setColors(state_.PalTable[state_.LeftIndex], state_.PalTable[state_.RightIndex]);
}

void Form1::SelectLeftColor(int index) {
    state_.SelectLeftColor(index);
    refreshColorBoxes();
}

void Form1::SelectRightColor(int index) {
    state_.SelectRightColor(index);
    refreshColorBoxes();
}

void Form1::Palbox_MouseDown(Qt::MouseButton button, double x, double y) {
    const int index = Palette::indexAt(x, y);
    if (index < 0) return;
    if (button == Qt::LeftButton) SelectLeftColor(index);
    else SelectRightColor(index);
}

void Form1::Nowcolor_Click() {
    state_.swapColors();
    refreshColorBoxes();
}

} // namespace qorn
