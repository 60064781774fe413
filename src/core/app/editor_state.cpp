#include "editor_state.h"

#include "app/app_paths.h"
#include "common/vbround.h"

namespace qorn {

void EditorState::SelectLeftColor(int index) {
    LeftIndex = static_cast<int16_t>(index);
    canvasForeColor = PalTable[index];
}

void EditorState::SelectRightColor(int index) { RightIndex = static_cast<int16_t>(index); }

void EditorState::swapColors() {
    const int16_t l = LeftIndex, r = RightIndex;
    canvasForeColor = PalTable[r];
    LeftIndex = r;
    RightIndex = l;
}

void EditorState::initPattern() {
    if (!qrnobj) qrnobj = std::make_unique<qorn::qrnobj>();
    qrnobj->savefile = AppFile(QStringLiteral("NoName.bmp"));
    LeadSrc.create(100, 100, 24);
    // mee before dan: the aspects are computed by the second assignment.
    qrnobj->setMee(20);
    qrnobj->setDan(20);
    RightIndex = 15;
    zoom = 6;
    LineWidth = 1;
    normalView = true;
    symFile = AppFile(QStringLiteral("qorn.sym"));
    canvasForeColor = PalTable[0];
    canvasBackColor = PalTable[15];
    LeadSrc.fill(0xFFFFFF);
    qrnobj->chgflg = false;
    qrnobj->selected = false;
    qrnobj->smpx = qrnobj->smpy = qrnobj->empx = qrnobj->empy = 0;
}

StatusTexts statusTexts(int width, int height, int mee, int dan) {
    StatusTexts t;
    t.gauge = QStringLiteral("ｹﾞｰｼﾞ :%1目×%2段").arg(mee).arg(dan);
    const int w = roundToInt(double(width) / mee * 10);
    const int h = roundToInt(double(height) / dan * 10);
    t.canvas = QStringLiteral("ｷｬﾝﾊﾞｽ :%1cm×%2cm").arg(w).arg(h);
    t.size = QStringLiteral("ｻｲｽﾞ :%1目×%2段").arg(width).arg(height);
    return t;
}

} // namespace qorn
