#include "frmReduce.h"

#include "dialogs/spin_edit.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace qorn {

frmReduce::frmReduce(int colours, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("減色処理"));
    Label1 = new QLabel(QStringLiteral("現在の色数： ") + QString::number(colours), this);
    Label2 = new QLabel(QStringLiteral("減色後の最大色数"), this);
    Text1 = new SpinEdit(2, 256, this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setValue(colours);
    Text1->setMinimumWidth(80);
    chkDither = new QCheckBox(QStringLiteral("ﾃﾞｨｻﾞﾘﾝｸﾞ"), this);
    chkDither->setChecked(true);
    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command1->setDefault(true);

    auto* grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0, 1, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Text1, 1, 1);
    grid->addWidget(chkDither, 2, 0, 1, 2);
    grid->addWidget(Command1, 0, 2);
    grid->addWidget(Command2, 1, 2);

    connect(Command1, &QPushButton::clicked, this, &frmReduce::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmReduce::Command2_Click);
}

void frmReduce::Command1_Click() {
    Tag = QStringLiteral("1");
    accept();
}

void frmReduce::Command2_Click() {
    Tag = QStringLiteral("0");
    reject();
}

} // namespace qorn
