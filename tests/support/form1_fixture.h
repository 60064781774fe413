#pragma once

#include "app/Form1.h"
#include "app/app_paths.h"
#include "app/modal_runner.h"
#include "document/recovery.h"
#include "support/sample_images.h"
#include "support/scripted_files.h"
#include "support/scripted_prompter.h"

#include <QSettings>

#include <QDialog>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qorn::test {

// Runs our own dialogs without waiting for a user: `handle` fills the dialog and presses its
// buttons; without one the dialog is cancelled.
class ScriptedModal : public ModalRunner {
public:
    std::function<void(QDialog&)> handle;
    int shown = 0;
    int exec(QDialog& dialog) override {
        ++shown;
        if (handle) handle(dialog);
        else dialog.reject();
        return dialog.result();
    }
};

// A main window started in a program folder of its own, with scripted message boxes.
class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        dir = freshTempDir(QStringLiteral("ui-%1").arg(
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name())));
        setProgramFolderOverride(dir);
        // Recent files go to a settings folder of the test's own.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir + QStringLiteral("/settings"));
        // Recovery copies too: the user's own must never be offered to a test, nor a test's kept.
        setRecoveryFolderOverride(dir + QStringLiteral("/recovery"));
        QFile::copy(QStringLiteral(QORN_SOURCE_DIR "/data/defpal.dat"), dir + QStringLiteral("/defpal.dat"));
        QFile::copy(QStringLiteral(QORN_SOURCE_DIR "/data/qorn.sym"), dir + QStringLiteral("/qorn.sym"));
    }
    void TearDown() override {
        form.reset();
        setProgramFolderOverride({});
        setRecoveryFolderOverride({});
        QDir(dir).removeRecursively();
    }
    Form1& make() {
        form = std::make_unique<Form1>(Form1::Services{&prompter, &modal, dir + QStringLiteral("/qorn.lock"), &files});
        return *form;
    }
    Form1& started() {
        Form1& f = make();
        EXPECT_TRUE(f.Form_Load({}));
        return f;
    }

    QString dir;
    ScriptedPrompter prompter;
    ScriptedFiles files;
    ScriptedModal modal;
    std::unique_ptr<Form1> form;
};


} // namespace qorn::test
