#pragma once

class QApplication;

namespace qorn {

// Japanese standard dialogs, the Japanese UI fonts and the settings store's names.
void setupApplication(QApplication& app);

} // namespace qorn
