#pragma once

#include "dialogs/cCommonDlg.h"

#include <QFile>
#include <QPrinter>

#include <functional>

#include <deque>
#include <optional>
#include <vector>

namespace qorn::test {

// Answers file dialogs from a queue (a path, or nothing for Cancel) and records what each
// dialog was asked to show. An empty queue cancels.
class ScriptedFiles : public FileDialogProvider {
public:
    struct Asked {
        bool save;
        QString title, filter, fileName, defaultExt, initDir;
        int filterIndex, flags;
    };
    std::deque<std::optional<QString>> answers;
    std::vector<Asked> asked;

    std::optional<QString> showOpen(const cCommonDlg& d) override { return answer(d, false); }
    std::optional<QString> showSave(const cCommonDlg& d) override { return answer(d, true); }
    // Help opens when its file is there, as the real window needs.
    std::vector<QString> helpShown;
    bool showHelp(const cCommonDlg& d) override {
        helpShown.push_back(d.HelpFile);
        return QFile::exists(d.HelpFile);
    }

    // The printer dialog: answers in turn (true OK, false Cancel; Cancel when none are left);
    // `choose` may set the printer as a user would.
    std::deque<bool> printerAnswers;
    std::function<void(QPrinter&)> choose;
    int printerShown = 0;
    bool showPrinter(const cCommonDlg& d) override {
        ++printerShown;
        const bool ok = !printerAnswers.empty() && printerAnswers.front();
        if (!printerAnswers.empty()) printerAnswers.pop_front();
        if (ok && choose && d.Printer) choose(*d.Printer);
        return ok;
    }

private:
    std::optional<QString> answer(const cCommonDlg& d, bool save) {
        asked.push_back({save, d.DialogTitle, d.Filter, d.FileName, d.DefaultExt, d.InitDir, d.FilterIndex, d.Flags});
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace qorn::test
