#pragma once

// The real main window for the measuring programs: offscreen, in a program folder of its own,
// 1920 x 1200, every message box answered the same way and dialogs handled by a callback.
#include "app/Form1.h"
#include "app/app_paths.h"
#include "app/modal_runner.h"
#include "app/prompter.h"
#include "document/recovery.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class OffscreenEditor {
public:
    explicit OffscreenEditor(int answer) : prompter_(answer) {
        qorn::setProgramFolderOverride(dir_.path());
        qorn::setRecoveryFolderOverride(dir_.filePath(QStringLiteral("recovery")));
        QFile::copy(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"), dir_.filePath(QStringLiteral("defpal.dat")));
        form_ = std::make_unique<qorn::Form1>(
            qorn::Form1::Services{&prompter_, &modal_, dir_.filePath(QStringLiteral("qorn.lock"))});
    }
    // False when the window could not start.
    bool start() {
        if (!form_->Form_Load({})) return false;
        form_->resize(1920, 1200);
        QApplication::processEvents();
        return true;
    }
    qorn::Form1& form() { return *form_; }
    // What a shown dialog meets instead of a user; without it a dialog is closed at once.
    std::function<void(QDialog&)>& dialogs() { return modal_.handle; }

private:
    class Answer : public qorn::Prompter {
    public:
        explicit Answer(int answer) : answer_(answer) {}
        int MsgBox(const QString&, int, const QString&) override { return answer_; }

    private:
        int answer_;
    };
    class Runner : public qorn::ModalRunner {
    public:
        std::function<void(QDialog&)> handle;
        int exec(QDialog& dialog) override {
            if (handle) handle(dialog);
            else dialog.reject();
            return dialog.result();
        }
    };

    QTemporaryDir dir_;
    Answer prompter_;
    Runner modal_;
    std::unique_ptr<qorn::Form1> form_;
};
