#pragma once

class QDialog;

namespace qorn {

// Shows a dialog of ours modally. Tests put a runner in its place that fills the dialog's
// fields and presses its button instead of waiting for a user.
class ModalRunner {
public:
    virtual ~ModalRunner();
    virtual int exec(QDialog& dialog);
};

} // namespace qorn
