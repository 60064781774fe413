#pragma once

#include "app/prompter.h"

#include <QString>

#include <deque>
#include <vector>

namespace qorn::test {

// Answers message boxes from a queue and records what was asked. With the queue empty it
// answers as a press of the box's first button would.
class ScriptedPrompter : public Prompter {
public:
    struct Asked {
        QString prompt;
        int style;
        QString title;
    };
    std::deque<int> answers;
    std::vector<Asked> asked;

    int MsgBox(const QString& prompt, int style, const QString& title) override {
        asked.push_back({prompt, style, title});
        if (!answers.empty()) {
            const int a = answers.front();
            answers.pop_front();
            return a;
        }
        switch (style & 0x0f) {
        case vbYesNoCancel:
        case vbYesNo: return vbYes;
        default: return vbOK;
        }
    }
};

} // namespace qorn::test
