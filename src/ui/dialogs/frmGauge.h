#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QLabel;
class QPushButton;

namespace qorn {

class Prompter;
class SpinEdit;

// `frmGauge`: two numbers, stitches ("目") and rows ("段"), either a gauge per 10 cm or a
// pattern size. Which one is a constructor argument; the caller fills the fields.
class frmGauge : public QDialog {
public:
    enum class Mode { Gauge, Size };
    frmGauge(Mode mode, Prompter& prompter, QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    // A last check of accepted numbers; a reason in words keeps the dialog open and is shown.
    std::function<std::optional<QString>(int me, int dan)> check;

    void comOk_Click();
    void comCan_Click();
    // The accepted numbers; valid once Tag is "1".
    int me() const { return me_; }
    int dan() const { return dan_; }

    QString Tag = QStringLiteral("0");
    SpinEdit* MeText;
    SpinEdit* DanText;
    QLabel* MeLabel;
    QLabel* DanLabel;
    QPushButton* comOk;
    QPushButton* comCan;

private:
    QString title() const;

    Mode mode_;
    Prompter& prompter_;
    int me_ = 0;
    int dan_ = 0;
};

} // namespace qorn
