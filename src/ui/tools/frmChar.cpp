#include "frmChar.h"

#include "app/prompter.h"
#include "dialogs/spin_edit.h"
#include "edit/edit_ops.h"
#include "view/symbol_font.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <optional>

namespace qorn {
namespace {

const QString kTitle = QStringLiteral("文字入力");
constexpr QSize kSampleSize(320, 140);

QString swatchStyle(ColorRef c) {
    return QStringLiteral("background-color: #%1; border: 1px solid gray;")
        .arg(rgbFromColorRef(c) & 0xffffff, 6, 16, QLatin1Char('0'));
}

// The family the charts' "ＭＳ ゴシック" resolves to, as the list names it.
int preferredRow(const QListWidget& list) {
    const QString resolved = QFontInfo(symbolFont(12)).family();
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->text() == resolved) return i;
    for (int i = 0; i < list.count(); ++i)
        if (QFontInfo(QFont(list.item(i)->text())).family() == resolved) return i;
    return list.count() > 0 ? 0 : -1;
}

} // namespace

frmChar::frmChar(Prompter& prompter, double asp1, ColorRef left, ColorRef right, QWidget* parent)
    : QDialog(parent), prompter_(prompter), asp1_(asp1), left_(left), right_(right) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setWindowTitle(QStringLiteral("ﾌｫﾝﾄの表示"));
    isScalable = [](const QString& family) { return QFontDatabase::isScalable(family); };

    TxtSample = new QLineEdit(QStringLiteral("ABC"), this);
    TxtHeight = new SpinEdit(3, 200, this);
    TxtWidth = new SpinEdit(0, 200, this);
    TxtEscapement = new SpinEdit(0, 360, this);
    TxtWeight = new SpinEdit(1, 9, this);
    TxtHeight->setValue(10);
    TxtWidth->setValue(0);
    TxtEscapement->setValue(0);
    TxtWeight->setValue(4);
    LblEscapement = new QLabel(QStringLiteral("角度"), this);
    LblEscapementNote = new QLabel(QStringLiteral("(0～360)"), this);
    ChkItalic = new QCheckBox(QStringLiteral("ｲﾀﾘｯｸ"), this);
    ChkUnderline = new QCheckBox(QStringLiteral("下線"), this);
    ChkStrikeout = new QCheckBox(QStringLiteral("打ち消し線"), this);
    FontList = new QListWidget(this);
    PicText = new QLabel(this);
    PicText->setFixedSize(kSampleSize);
    PicText->setFrameShape(QFrame::Box);
    lblCol = new QLabel(this);
    lblCol->setFixedSize(24, 24);
    comCol = new QPushButton(QStringLiteral("..."), this);
    CmdShowFont = new QPushButton(QStringLiteral("ｻﾝﾌﾟﾙ再表示"), this);
    comOk = new QPushButton(QStringLiteral("Ok"), this);
    comCan = new QPushButton(QStringLiteral("Cancel"), this);
    comOk->setDefault(true);
    const struct {
        QWidget* w;
        const char* name;
    } names[] = {{TxtSample, "TxtSample"}, {TxtHeight, "TxtHeight"}, {TxtWidth, "TxtWidth"},
                 {TxtEscapement, "TxtEscapement"}, {TxtWeight, "TxtWeight"}, {FontList, "FontList"},
                 {PicText, "PicText"}, {lblCol, "lblCol"}, {comOk, "comOk"}, {comCan, "comCan"}};
    for (const auto& n : names) n.w->setObjectName(QString::fromLatin1(n.name));

    auto* fields = new QGridLayout;
    int row = 0;
    auto addRow = [&](const QString& label, QWidget* field, QWidget* labelWidget = nullptr, QWidget* note = nullptr) {
        fields->addWidget(labelWidget ? labelWidget : new QLabel(label, this), row, 0);
        fields->addWidget(field, row, 1);
        if (note) fields->addWidget(note, row, 2);
        ++row;
    };
    addRow(QStringLiteral("文字列"), TxtSample);
    addRow(QStringLiteral("高さ"), TxtHeight);
    addRow(QStringLiteral("平均幅"), TxtWidth, nullptr, new QLabel(QStringLiteral("( 0= 標準)"), this));
    addRow(QString(), TxtEscapement, LblEscapement, LblEscapementNote);
    addRow(QStringLiteral("太さ"), TxtWeight, nullptr, new QLabel(QStringLiteral("(1～9)"), this));
    auto* styles = new QHBoxLayout;
    styles->addWidget(ChkItalic);
    styles->addWidget(ChkUnderline);
    styles->addWidget(ChkStrikeout);
    auto* colour = new QHBoxLayout;
    colour->addWidget(new QLabel(QStringLiteral("色"), this));
    colour->addWidget(lblCol);
    colour->addWidget(comCol);
    colour->addStretch();
    auto* column = new QVBoxLayout;
    column->addLayout(fields);
    column->addLayout(styles);
    column->addLayout(colour);
    column->addWidget(PicText);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(comOk);
    buttons->addWidget(comCan);
    buttons->addWidget(CmdShowFont);
    buttons->addStretch();
    auto* all = new QHBoxLayout(this);
    all->addLayout(column);
    all->addWidget(FontList, 1);
    all->addLayout(buttons);

    for (const QString& family : QFontDatabase::families())
        if (!family.isEmpty()) FontList->addItem(family);
    // OK works without a click in the list: the charts' own face is chosen from the start.
    FontList->setCurrentRow(preferredRow(*FontList));
    TxtSample->selectAll();
    paintSwatch();

    connect(FontList, &QListWidget::currentRowChanged, this, [this] { FontList_Click(); });
    connect(CmdShowFont, &QPushButton::clicked, this, &frmChar::CmdShowFont_Click);
    connect(comCol, &QPushButton::clicked, this, &frmChar::comCol_Click);
    connect(comOk, &QPushButton::clicked, this, &frmChar::comOk_Click);
    connect(comCan, &QPushButton::clicked, this, &frmChar::comCan_Click);
    FontList_Click();
    QApplication::restoreOverrideCursor();
}

TextFontChoice frmChar::choice() const {
    TextFontChoice c;
    if (const QListWidgetItem* item = FontList->currentItem()) c.family = item->text();
    c.height = parseFieldNumber(TxtHeight->text()).value_or(10);
    c.width = parseFieldNumber(TxtWidth->text()).value_or(0);
    c.angle = TxtEscapement->isEnabled() ? parseFieldNumber(TxtEscapement->text()).value_or(0) : 0;
    c.weight = 100 * parseFieldNumber(TxtWeight->text()).value_or(4);
    c.italic = ChkItalic->isChecked();
    c.underline = ChkUnderline->isChecked();
    c.strikeOut = ChkStrikeout->isChecked();
    return c;
}

void frmChar::setPattern(double asp1, ColorRef left, ColorRef right) {
    asp1_ = asp1;
    left_ = left;
    right_ = right;
    paintSwatch();
    FontList_Click();
}

void frmChar::paintSwatch() { lblCol->setStyleSheet(swatchStyle(left_)); }

void frmChar::FontList_Click() {
    TextFontChoice c = choice();
    // Only fonts that can be turned offer the angle.
    const bool turnable = !c.family.isEmpty() && isScalable && isScalable(c.family);
    TxtEscapement->setEnabled(turnable);
    LblEscapement->setEnabled(turnable);
    LblEscapementNote->setEnabled(turnable);
    if (!turnable) c.angle = 0;
    // Fields out of range still give a sample; "Ok" is where they are refused.
    c.height = std::clamp(c.height, 1, 400);
    c.width = std::clamp(c.width, 0, 400);

    QPixmap sample(PicText->size());
    sample.fill(QColor::fromRgb(rgbFromColorRef(right_)));
    QPainter p(&sample);
    p.setPen(QColor::fromRgb(rgbFromColorRef(left_)));
    p.setFont(textFont(c));
    // Starts at the centre and turns about it.
    p.translate(sample.width() / 2, sample.height() / 2);
    p.rotate(-std::clamp(c.angle, 0, 360));
    p.drawText(QPointF(0, 0), TxtSample->text());
    p.end();
    PicText->setPixmap(sample);
}

void frmChar::comCol_Click() {
    if (!chooseColour) return;
    left_ = chooseColour();
    paintSwatch();
    FontList_Click();
}

void frmChar::refuse(const QString& text, QWidget* field) {
    prompter_.MsgBox(text, vbOKOnly, kTitle);
    field->setFocus();
}

void frmChar::comOk_Click() {
    const auto inRange = [](SpinEdit* field, int low, int high) {
        const std::optional<int> v = parseFieldNumber(field->text());
        return v && *v >= low && *v <= high;
    };
    if (TxtEscapement->isEnabled() && !inRange(TxtEscapement, 0, 360))
        return refuse(QStringLiteral("角度が不正です"), TxtEscapement->edit());
    if (!inRange(TxtHeight, 3, 200)) return refuse(QStringLiteral("高さが不正です"), TxtHeight->edit());
    if (!inRange(TxtWidth, 0, 200)) return refuse(QStringLiteral("幅が不正です"), TxtWidth->edit());
    if (!inRange(TxtWeight, 1, 9)) return refuse(QStringLiteral("太さが不正です"), TxtWeight->edit());
    FontList_Click();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    TextStamp measured = renderTextStamp(TxtSample->text(), choice(), asp1_);
    QApplication::restoreOverrideCursor();
    if (measured.tooLarge) return refuse(QStringLiteral("文字列が長すぎます"), TxtSample);
    stamp = std::move(measured);
    cx = stamp.frame.width();
    cy = stamp.frame.height();
    position = stamp.position;
    accept();
}

void frmChar::comCan_Click() { reject(); }

void frmChar::reject() {
    cx = cy = 0;
    stamp = {};
    QDialog::reject();
}

} // namespace qorn
