// The file menu, the main toolbar and the life cycle of the window.
#include "Form1.h"

#include "app/app_paths.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>

namespace qorn {

bool Form1::askSaveChanges(const QString& title) {
    if (!state_.qrnobj->chgflg) return true;
    const QString base = QFileInfo(state_.qrnobj->savefile).completeBaseName();
    const int answer = services_.prompter->MsgBox(
        base + QStringLiteral("は変更されています。\r\n保存しますか？"), vbYesNoCancel, title);
    if (answer == vbCancel) return false;
    if (answer == vbYes) {
        mnuSave_Click();
        if (Tag.toInt() == 1) {
            Tag = QStringLiteral("0");
            return false;
        }
    }
    return true;
}

// Pattern files cannot be written yet, so a save request ends as a cancelled save would:
// nothing is lost and whatever asked for the save does not go on.
void Form1::mnuSave_Click() { Tag = QStringLiteral("1"); }

void Form1::mnuNew_Click() {
    if (!askSaveChanges(QStringLiteral("新規"))) return;
    Tag = QStringLiteral("0");
    TBReset();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    tbButtons_.value(QStringLiteral("undo"))->setEnabled(false);
    InitPattern();
    QApplication::restoreOverrideCursor();
    tbButtons_.value(QStringLiteral("undo"))->setEnabled(false);
    state_.qrnobj->chgflg = false;
}

void Form1::mnuExit_Click() { close(); }

bool Form1::Form_QueryUnload() {
    if (state_.qrnobj && !askSaveChanges(QStringLiteral("終了"))) return false;
    // The program never changes the system's default printer; a different one now was chosen
    // outside the program and is left as the user set it.
    if (currentDefaultPrinter() != defaultPrinter_)
        qInfo("default printer changed outside QORN: %s", qPrintable(currentDefaultPrinter()));
    state_.qrnobj.reset();
    const QString scratch = AppFile(QStringLiteral("qrntmp.bmp"));
    if (QFile::exists(scratch)) QFile::remove(scratch);
    return true;
}

void Form1::TbMenu_ButtonClick(const QString& key) {
    const auto command = tbCommands_.constFind(key);
    if (command != tbCommands_.constEnd()) (*command)();
}

} // namespace qorn
