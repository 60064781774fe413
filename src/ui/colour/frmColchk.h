#pragma once

#include "colour/palette.h"

#include <QDialog>
#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace qorn {

class PaletteBox;

// `frmColchk`: the palette with the colours a pattern uses, in three modes. The specific colour
// change picks a "before" and an "after" colour by dragging cells onto two swatches; the colour
// check counts the stitches of each colour; the text colour is a plain colour chooser.
class frmColchk : public QDialog {
public:
    enum class Mode { Change = 0, Check = 1, TextColour = 2 };
    enum class Swatch { Before, After };

    // `pattern` and `area` are counted in the first two modes; `area` is the selection, if any.
    frmColchk(Mode mode, const Palette& palette, int leftIndex, const QImage& pattern,
              const std::optional<QRect>& area, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    // A press on the grid in cell units; the left and right colour follow in the main window.
    void Picture1_MouseDown(Qt::MouseButton button, double x, double y);
    // A dragged cell let go over a swatch.
    void drop(Swatch swatch, int index);
    void comOk_Click();
    void comCan_Click();
    // What resting the pointer on a cell tells: its number of stitches.
    QString cellToolTip(int index) const;
    int usedColours() const;
    // Both colours of a change chosen and OK pressed.
    bool changeChosen() const { return Tag == QLatin1String("1") && BeforeIndex >= 0 && AfterIndex >= 0; }

    std::function<void(int)> onLeftColour;
    std::function<void(int)> onRightColour;

    QString Tag = QStringLiteral("0");
    std::array<uint32_t, Palette::kSize> UseCount{};
    int DragIndex = 256;
    int BeforeIndex = -1;
    int AfterIndex = -1;

    PaletteBox* Picture1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* picBefore;
    QLabel* picAfter;
    QLabel* LblNote;
    QPushButton* comOk;
    QPushButton* comCan;

private:
    void release(QPoint global);

    Mode mode_;
    const Palette& palette_;
};

} // namespace qorn
