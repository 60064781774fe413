#include "frmColchk.h"

#include "imaging/quantize.h"
#include "palette_widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qorn {
namespace {

constexpr int kGridCell = 16;

void paintSwatch(QLabel* swatch, QRgb colour) {
    swatch->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid gray;")
                              .arg(QColor(colour).name()));
}

} // namespace

frmColchk::frmColchk(Mode mode, const Palette& palette, int leftIndex, const QImage& pattern,
                     const std::optional<QRect>& area, QWidget* parent)
    : QDialog(parent), mode_(mode), palette_(palette) {
    const QString caption = mode == Mode::Change  ? QStringLiteral("特定色変換")
                            : mode == Mode::Check ? QStringLiteral("色数チェック")
                                                  : QStringLiteral("文字色");
    setWindowTitle(caption + (mode != Mode::TextColour && area ? QStringLiteral("(部分)") : QString()));

    Picture1 = new PaletteBox(palette, this, kGridCell);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setMarker(leftIndex);
    Picture1->onPress = [this](Qt::MouseButton b, double x, double y) { Picture1_MouseDown(b, x, y); };
    Picture1->onRelease = [this](QPoint global) { release(global); };
    Label1 = new QLabel(this);
    Label2 = new QLabel(QStringLiteral("変更前"), this);
    Label3 = new QLabel(QStringLiteral("変更後"), this);
    picBefore = new QLabel(this);
    picAfter = new QLabel(this);
    for (QLabel* swatch : {picBefore, picAfter}) {
        swatch->setFixedSize(48, 32);
        swatch->setStyleSheet(QStringLiteral("border: 1px solid gray;"));
    }
    LblNote = new QLabel(QStringLiteral("*変更前、後の色をそれぞれドラッグしてください"), this);
    comOk = new QPushButton(QStringLiteral("Ok"), this);
    comCan = new QPushButton(QStringLiteral("Cancel"), this);
    comOk->setDefault(true);

    auto* swatches = new QGridLayout;
    swatches->addWidget(Label2, 0, 0);
    swatches->addWidget(picBefore, 1, 0);
    swatches->addWidget(Label3, 0, 1);
    swatches->addWidget(picAfter, 1, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(comOk);
    buttons->addWidget(comCan);
    buttons->addStretch();
    buttons->addLayout(swatches);
    auto* top = new QHBoxLayout;
    top->addWidget(Picture1);
    top->addLayout(buttons);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addWidget(Label1);
    all->addWidget(LblNote);

    const bool changing = mode == Mode::Change;
    for (QWidget* w : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(Label3), static_cast<QWidget*>(picBefore),
                       static_cast<QWidget*>(picAfter), static_cast<QWidget*>(LblNote),
                       static_cast<QWidget*>(comCan)})
        w->setVisible(changing);

    connect(comOk, &QPushButton::clicked, this, &frmColchk::comOk_Click);
    connect(comCan, &QPushButton::clicked, this, &frmColchk::comCan_Click);

    if (mode == Mode::TextColour) {
        Label1->setText(QStringLiteral("現在使用色数: "));
        return;
    }
    const QRect counted = area ? *area : pattern.rect();
    UseCount = countPaletteStitches(pattern, counted, palette.rgbColours());
    std::array<bool, Palette::kSize> used{};
    for (size_t i = 0; i < used.size(); ++i) used[i] = UseCount[i] > 0;
    Picture1->setRings(used);
    Picture1->toolTipOf = [this](int index) { return cellToolTip(index); };
    Label1->setText(QStringLiteral("現在使用色数: ") + QString::number(usedColours()));
}

int frmColchk::usedColours() const {
    int n = 0;
    for (uint32_t c : UseCount) n += c > 0 ? 1 : 0;
    return n;
}

QString frmColchk::cellToolTip(int index) const {
    if (mode_ == Mode::TextColour || index < 0 || index >= Palette::kSize) return {};
    return QString::number(UseCount[static_cast<size_t>(index)]);
}

void frmColchk::Picture1_MouseDown(Qt::MouseButton button, double x, double y) {
    const int index = Palette::indexAt(x, y);
    if (index < 0) return;
    if (mode_ == Mode::Change) {
        DragIndex = index;
        setCursor(Qt::DragCopyCursor);
        return;
    }
    if (button == Qt::LeftButton) {
        Picture1->setMarker(index);
        if (onLeftColour) onLeftColour(index);
    } else if (onRightColour) {
        onRightColour(index);
    }
}

void frmColchk::release(QPoint global) {
    unsetCursor();
    if (DragIndex >= Palette::kSize) return;
    const int index = DragIndex;
    DragIndex = Palette::kSize;
    for (QLabel* swatch : {picBefore, picAfter})
        if (swatch->isVisible() && swatch->rect().contains(swatch->mapFromGlobal(global)))
            drop(swatch == picBefore ? Swatch::Before : Swatch::After, index);
}

void frmColchk::drop(Swatch swatch, int index) {
    if (mode_ != Mode::Change || index < 0 || index >= Palette::kSize) return;
    paintSwatch(swatch == Swatch::Before ? picBefore : picAfter, rgbFromColorRef(palette_[index]));
    (swatch == Swatch::Before ? BeforeIndex : AfterIndex) = index;
    DragIndex = Palette::kSize;
}

void frmColchk::comOk_Click() {
    Tag = QStringLiteral("1");
    accept();
}

void frmColchk::comCan_Click() {
    Tag = QStringLiteral("0");
    reject();
}

} // namespace qorn
