#include "tool_bar.h"

#include "tool_icons.h"

#include <QButtonGroup>
#include <QMouseEvent>
#include <QToolButton>

namespace qorn {

ToolButtonBar::ToolButtonBar(QWidget* parent)
    : QWidget(parent), buttons_(kButtons + 1, nullptr), keys_(kButtons + 1), group_(new QButtonGroup(this)) {
    setFixedSize(7 * kWidth, 2 * kHeight);
    group_->setExclusive(true);
    for (int n = 1; n <= kButtons; ++n) {
        auto* b = new QToolButton(this);
        b->setCheckable(true);
        b->setAutoRaise(false);
        b->setIconSize(QSize(16, 16));
        b->setGeometry((n - 1) % 7 * kWidth, (n - 1) / 7 * kHeight, kWidth, kHeight);
        group_->addButton(b, n);
        buttons_[static_cast<size_t>(n)] = b;
        connect(b, &QToolButton::clicked, this, [this, n] {
            if (onClick) onClick(n);
        });
    }
}

void ToolButtonBar::setButton(int number, const QString& key, const QString& toolTip) {
    setButtonKey(number, key);
    button(number)->setToolTip(toolTip);
}

void ToolButtonBar::setButtonKey(int number, const QString& key) {
    keys_.at(static_cast<size_t>(number)) = key;
    button(number)->setIcon(toolIcon(key));
}

int ToolButtonBar::numberOfKey(const QString& key) const {
    for (int n = 1; n <= kButtons; ++n)
        if (keys_[static_cast<size_t>(n)] == key) return n;
    return 0;
}

void ToolButtonBar::press(int number) {
    if (number >= 1 && number <= kButtons) button(number)->setChecked(true);
}

void ToolButtonBar::releaseAll() {
    group_->setExclusive(false);
    for (int n = 1; n <= kButtons; ++n) button(n)->setChecked(false);
    group_->setExclusive(true);
}

int ToolButtonBar::pressed() const { return std::max(0, group_->checkedId()); }

void ToolButtonBar::mousePressEvent(QMouseEvent* event) {
    if (onMouseDown) onMouseDown(event->button(), event->position().toPoint());
}

} // namespace qorn
