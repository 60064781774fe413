#include "app/Form1.h"
#include "app/app_setup.h"
#include "app/modal_runner.h"
#include "app/msgbox_prompter.h"
#include "dialogs/cCommonDlg.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    qorn::setupApplication(app);

    qorn::MsgBoxPrompter prompter;
    qorn::ModalRunner modal;
    qorn::QtFileDialogProvider files;
    qorn::Form1 form({&prompter, &modal, {}, &files});
    prompter.setOwner(&form);

    // The command line is one pattern path, taken as it comes.
    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    if (!form.Form_Load(args.join(QLatin1Char(' ')))) return 0;
    return app.exec();
}
