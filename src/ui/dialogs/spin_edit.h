#pragma once

#include <QWidget>

class QLineEdit;

namespace qorn {

// A text box with up and down buttons: the buttons step the number within the range and write
// it back; typing is not limited, the dialog checks the text itself.
class SpinEdit : public QWidget {
public:
    SpinEdit(int minimum, int maximum, QWidget* parent = nullptr);
    QString text() const;
    void setText(const QString& text);
    void setValue(int value);
    void step(int delta);
    QLineEdit* edit() const { return edit_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    int minimum_;
    int maximum_;
};

} // namespace qorn
