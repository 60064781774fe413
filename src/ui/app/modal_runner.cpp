#include "modal_runner.h"

#include <QDialog>

namespace qorn {

ModalRunner::~ModalRunner() = default;

int ModalRunner::exec(QDialog& dialog) { return dialog.exec(); }

} // namespace qorn
