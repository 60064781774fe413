#pragma once

#include "imaging/colorref.h"
#include "tools/text_stamp.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace qorn {

class Prompter;
class SpinEdit;

// `frmChar` "ﾌｫﾝﾄの表示": the text tool's text, font and angle, with a sample. "Ok" checks the
// fields and measures the text; `cx` x `cy` is then the placement frame (0 x 0 after Cancel)
// and `stamp` what a click writes.
class frmChar : public QDialog {
public:
    // `asp1` stretches the text along the canvas's vertical; `left` and `right` are the
    // sample's ink and paper.
    frmChar(Prompter& prompter, double asp1, ColorRef left, ColorRef right, QWidget* parent = nullptr);

    // The gauge and the colours of the pattern the text goes into; the dialog may outlive them.
    void setPattern(double asp1, ColorRef left, ColorRef right);

    void FontList_Click();
    void CmdShowFont_Click() { FontList_Click(); }
    void comCol_Click();
    void comOk_Click();
    void comCan_Click();

    // The choices as the fields give them now; the caller has checked them.
    TextFontChoice choice() const;

    // Whether a family can be turned; only such fonts offer the angle.
    std::function<bool(const QString& family)> isScalable;
    // Shows the colour chooser and gives the left colour it leaves.
    std::function<ColorRef()> chooseColour;

    int cx = 0;
    int cy = 0;
    int position = 0;
    TextStamp stamp;

    QLineEdit* TxtSample;
    SpinEdit* TxtHeight;
    SpinEdit* TxtWidth;
    SpinEdit* TxtEscapement;
    SpinEdit* TxtWeight;
    QLabel* LblEscapement;
    QLabel* LblEscapementNote;
    QCheckBox* ChkItalic;
    QCheckBox* ChkUnderline;
    QCheckBox* ChkStrikeout;
    QListWidget* FontList;
    QLabel* PicText;
    QLabel* lblCol;
    QPushButton* comCol;
    QPushButton* CmdShowFont;
    QPushButton* comOk;
    QPushButton* comCan;

    // Closing the dialog by any road but "Ok" cancels the text.
    void reject() override;

private:
    void paintSwatch();
    // Reports `text` and gives `field` the focus; the dialog stays open.
    void refuse(const QString& text, QWidget* field);

    Prompter& prompter_;
    double asp1_;
    ColorRef left_;
    ColorRef right_;
};

} // namespace qorn
