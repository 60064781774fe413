#pragma once

#include <QString>

namespace qorn {

// Message-box buttons and icons, combined by addition, and the answers, as the platform
// numbers them.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};
enum MsgBoxResult : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

// Every message box of the program goes through here, so tests can answer them.
class Prompter {
public:
    virtual ~Prompter() = default;
    virtual int MsgBox(const QString& prompt, int style, const QString& title) = 0;
};

} // namespace qorn
