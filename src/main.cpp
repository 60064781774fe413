#include "app/Form1.h"
#include "app/app_setup.h"
#include "app/command_line.h"
#include "app/modal_runner.h"
#include "app/msgbox_prompter.h"
#include "dialogs/cCommonDlg.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Answered before the application object exists: no display, lock or settings is touched.
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    const qorn::CommandLine command = qorn::parseCommandLine(args);
    switch (command.action) {
    case qorn::CommandLine::Action::Help:
        std::fputs(qorn::helpText().toLocal8Bit().constData(), stdout);
        return 0;
    case qorn::CommandLine::Action::Version:
        std::fputs(qorn::versionText().toLocal8Bit().constData(), stdout);
        return 0;
    case qorn::CommandLine::Action::Error:
        std::fputs(command.message.toLocal8Bit().constData(), stderr);
        return 2;
    case qorn::CommandLine::Action::Run:
        break;
    }

    QApplication app(argc, argv);
    qorn::setupApplication(app);
    // Lets the desktop match the window to qorn.desktop (its icon and name in the task bar).
    QGuiApplication::setDesktopFileName(QStringLiteral("qorn"));

    qorn::MsgBoxPrompter prompter;
    qorn::ModalRunner modal;
    qorn::QtFileDialogProvider files;
    qorn::Form1 form({&prompter, &modal, {}, &files});
    prompter.setOwner(&form);

    if (!form.Form_Load(command.path)) return 0;
    return app.exec();
}
