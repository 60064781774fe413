#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLabel;
class QPushButton;

namespace qorn {

class SpinEdit;

// `frmReduce` "減色処理": the number of colours to keep and whether to dither.
class frmReduce : public QDialog {
public:
    explicit frmReduce(int colours, QWidget* parent = nullptr);

    void Command1_Click(); // OK
    void Command2_Click(); // Cancel

    QString Tag = QStringLiteral("0");
    QLabel* Label1;
    QLabel* Label2;
    SpinEdit* Text1;
    QCheckBox* chkDither;
    QPushButton* Command1;
    QPushButton* Command2;
};

} // namespace qorn
