#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <vector>

class QButtonGroup;
class QToolButton;

namespace qorn {

// `TBTools`: fourteen picture buttons of 24 x 22 pixels, seven to a row, at most one pressed.
// Buttons are numbered 1 to 14 and carry a key ("t21"); a key changes with its picture.
class ToolButtonBar : public QWidget {
public:
    static constexpr int kButtons = 14;
    static constexpr int kWidth = 24;
    static constexpr int kHeight = 22;

    explicit ToolButtonBar(QWidget* parent = nullptr);

    void setButton(int number, const QString& key, const QString& toolTip);
    void setButtonKey(int number, const QString& key); // picture follows the key
    QString key(int number) const { return keys_.at(static_cast<size_t>(number)); }
    QToolButton* button(int number) const { return buttons_.at(static_cast<size_t>(number)); }
    int numberOfKey(const QString& key) const;
    void press(int number);
    void releaseAll();
    // The button shown pressed, 0 for none.
    int pressed() const;

    std::function<void(int number)> onClick;
    std::function<void(Qt::MouseButton, QPoint)> onMouseDown; // presses the buttons do not take

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<QToolButton*> buttons_;
    std::vector<QString> keys_;
    QButtonGroup* group_;
};

} // namespace qorn
