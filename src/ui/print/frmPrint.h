#pragma once

#include "print/print_pages.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qorn {

// `frmPrint` "印刷": what to print and how. Loaded fresh for each print.
class frmPrint : public QDialog {
public:
    frmPrint(bool partial, QWidget* parent = nullptr);

    void Check1_Click();
    void Command1_Click(); // OK
    void Command2_Click(); // Cancel
    void Command3_Click(); // printer set-up
    void Command4_Click(); // preview

    // The settings as chosen; the grid follows the screen's grid choice.
    PrintOptions options(GridChoice grid) const;
    // What the printer and preview buttons do; the main window supplies them.
    std::function<void()> onPrinterSetup;
    std::function<void()> onPreview;

    QString Tag = QStringLiteral("0");
    QGroupBox* Frame1;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QGroupBox* Frame3;
    QRadioButton* Option3;
    QRadioButton* Option4;
    QRadioButton* Option5;
    QLabel* Label1;
    QLineEdit* TxtTitle;
    QCheckBox* Check1;
    QCheckBox* ChkHalign;
    QCheckBox* ChkVAlign;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
};

} // namespace qorn
