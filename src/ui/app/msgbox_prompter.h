#pragma once

#include "app/prompter.h"

class QWidget;

namespace qorn {

// The real message boxes.
class MsgBoxPrompter : public Prompter {
public:
    explicit MsgBoxPrompter(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    int MsgBox(const QString& prompt, int style, const QString& title) override;

private:
    QWidget* owner_;
};

} // namespace qorn
