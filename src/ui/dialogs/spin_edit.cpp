#include "spin_edit.h"

#include "edit/edit_ops.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QTimer>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace qorn {

SpinEdit::SpinEdit(int minimum, int maximum, QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), minimum_(minimum), maximum_(maximum) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_);
    auto* buttons = new QVBoxLayout;
    buttons->setSpacing(0);
    auto* up = new QToolButton(this);
    auto* down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    for (QToolButton* b : {up, down}) {
        b->setFixedSize(16, 11);
        b->setAutoRepeat(true);
        buttons->addWidget(b);
    }
    row->addLayout(buttons);
    // A field that takes the focus offers its whole text for replacing.
    edit_->installEventFilter(this);
    connect(up, &QToolButton::clicked, this, [this] { step(1); });
    connect(down, &QToolButton::clicked, this, [this] { step(-1); });
}

bool SpinEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::FocusIn) QTimer::singleShot(0, edit_, &QLineEdit::selectAll);
    return QWidget::eventFilter(watched, event);
}

QString SpinEdit::text() const { return edit_->text(); }

void SpinEdit::setText(const QString& text) { edit_->setText(text); }

void SpinEdit::setValue(int value) { edit_->setText(QString::number(value)); }

void SpinEdit::step(int delta) {
    const std::optional<int> now = parseFieldNumber(edit_->text());
    setValue(std::clamp(now ? *now + delta : minimum_, minimum_, maximum_));
}

} // namespace qorn
