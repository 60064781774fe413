#include "frmPrint.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qorn {

frmPrint::frmPrint(bool partial, QWidget* parent) : QDialog(parent) {
    setWindowTitle(partial ? QStringLiteral("印刷(部分)") : QStringLiteral("印刷"));

    Frame1 = new QGroupBox(QStringLiteral("種別"), this);
    Option1 = new QRadioButton(QStringLiteral("パターン図"), Frame1);
    Option2 = new QRadioButton(QStringLiteral("カラー"), Frame1);
    Option1->setChecked(true);
    auto* kinds = new QVBoxLayout(Frame1);
    kinds->addWidget(Option1);
    kinds->addWidget(Option2);

    Frame3 = new QGroupBox(QStringLiteral("印刷倍率"), this);
    Option3 = new QRadioButton(QStringLiteral("１"), Frame3);
    Option4 = new QRadioButton(QStringLiteral("１．５"), Frame3);
    Option5 = new QRadioButton(QStringLiteral("２"), Frame3);
    Option4->setChecked(true);
    auto* sizes = new QHBoxLayout(Frame3);
    for (QRadioButton* b : {Option3, Option4, Option5}) sizes->addWidget(b);

    Label1 = new QLabel(QStringLiteral("タイトル"), this);
    TxtTitle = new QLineEdit(this);
    Check1 = new QCheckBox(QStringLiteral("凡例表示"), this);
    Check1->setChecked(true);
    ChkHalign = new QCheckBox(QStringLiteral("水平中央"), this);
    ChkVAlign = new QCheckBox(QStringLiteral("垂直中央"), this);
    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command3 = new QPushButton(QStringLiteral("ﾌﾟﾘﾝﾀの設定..."), this);
    Command4 = new QPushButton(QStringLiteral("ﾌﾟﾚﾋﾞｭｰ..."), this);
    Command1->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Frame1, 0, 0);
    grid->addWidget(Frame3, 0, 1);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(TxtTitle, 1, 1);
    grid->addWidget(Check1, 2, 0);
    grid->addWidget(ChkHalign, 3, 0);
    grid->addWidget(ChkVAlign, 3, 1);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {Command1, Command2, Command3, Command4}) buttons->addWidget(b);
    buttons->addStretch();
    grid->addLayout(buttons, 0, 2, 4, 1);
    Option1->setFocus();

    connect(Check1, &QCheckBox::toggled, this, &frmPrint::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &frmPrint::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmPrint::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmPrint::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmPrint::Command4_Click);
}

// The title is printed only with the legend.
void frmPrint::Check1_Click() { TxtTitle->setEnabled(Check1->isChecked()); }

void frmPrint::Command1_Click() {
    Tag = QStringLiteral("1");
    accept();
}

void frmPrint::Command2_Click() {
    Tag = QStringLiteral("0");
    reject();
}

void frmPrint::Command3_Click() {
    if (onPrinterSetup) onPrinterSetup();
}

void frmPrint::Command4_Click() {
    if (onPreview) onPreview();
}

PrintOptions frmPrint::options(GridChoice grid) const {
    PrintOptions o;
    o.colour = Option2->isChecked();
    o.magnification = Option3->isChecked() ? 1.0 : Option5->isChecked() ? 2.0 : 1.5;
    o.grid = grid;
    o.legend = Check1->isChecked();
    o.hCenter = ChkHalign->isChecked();
    o.vCenter = ChkVAlign->isChecked();
    o.title = TxtTitle->text();
    return o;
}

} // namespace qorn
