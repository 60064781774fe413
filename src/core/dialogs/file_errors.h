#pragma once

#include <QString>

namespace qorn {

// The file commands, each with its own column of the shared message table.
enum class FileCommand {
    Open,           // open, recent files
    OverwriteSave,
    SaveAs,         // save-as, saving the drawing screen, colour check
    PatternDisplay,
    MotifSelection,
    Print,
    SizeByNumber,
    ImportDialog,
    TextChart,      // the text-file chart
    Transform,      // mirror and flip of a selection, colour reduction
    Editing,        // drawing, undo and other commands without a column of their own
};

// The message a command shows for a run-time error number: the table's text where the
// command lists the number, otherwise "エラー番号" and the number.
QString fileErrorMessage(int number, FileCommand command);


} // namespace qorn
