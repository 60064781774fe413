#include "dialogs/cCommonDlg.h"
#include "support/sample_images.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using namespace qorn;

namespace {

// Acts on whatever modal window is up once the dialog's own loop runs; one step per call.
void whenModal(std::function<void(QWidget*)> step, int attempts = 200) {
    QTimer::singleShot(10, [step, attempts] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w && attempts > 0) return whenModal(step, attempts - 1);
        step(w);
    });
}

void typeAndAccept(QFileDialog* d, const QString& name) {
    auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
    auto* box = d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    ASSERT_NE(box, nullptr);
    QPushButton* accept = box->button(d->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save
                                                                                : QDialogButtonBox::Open);
    ASSERT_NE(accept, nullptr);
    accept->click();
}

cCommonDlg saveDialog(FileDialogProvider& provider, const QString& folder) {
    cCommonDlg dlg(provider);
    dlg.Filter = QStringLiteral("ＢＭＰ(*.BMP)|*.bmp|ＴＩＦ(*.TIF)|*.tif|ＰＣＸ(*.PCX)|*.pcx");
    dlg.DefaultExt = QStringLiteral("bmp");
    dlg.FilterIndex = 1;
    dlg.InitDir = folder;
    dlg.Flags = cCommonDlg::SaveFlags;
    dlg.CancelError = true;
    dlg.DialogTitle = QStringLiteral("名前をつけて保存");
    return dlg;
}

} // namespace

TEST(CommonDialog, SaveRefusesANameInAFolderThatDoesNotExist) {
    const QString folder = test::freshTempDir(QStringLiteral("common-dialog-missing"));
    QtFileDialogProvider provider;
    cCommonDlg dlg = saveDialog(provider, folder);
    bool warned = false;
    QString warning;
    whenModal([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), QStringLiteral("名前をつけて保存"));
        // The refusal comes as a message over the dialog; then a good name goes through.
        whenModal([&, d](QWidget* box) {
            auto* message = qobject_cast<QMessageBox*>(box);
            ASSERT_NE(message, nullptr);
            warned = true;
            warning = message->text();
            message->accept();
            whenModal([d](QWidget*) { typeAndAccept(d, QStringLiteral("chart")); });
        });
        typeAndAccept(d, QStringLiteral("missing/chart.bmp"));
    });
    dlg.ShowSave();
    EXPECT_TRUE(warned);
    EXPECT_TRUE(warning.contains(QStringLiteral("パスが存在しません"))) << warning.toStdString();
    EXPECT_FALSE(dlg.CancelButton);
    EXPECT_EQ(dlg.FileName.toStdString(), QDir(folder).filePath(QStringLiteral("chart.bmp")).toStdString());
    EXPECT_FALSE(QDir(folder).exists(QStringLiteral("missing")));
}

TEST(CommonDialog, ABareNameTakesTheChosenType) {
    const QString folder = test::freshTempDir(QStringLiteral("common-dialog-type"));
    QtFileDialogProvider provider;
    for (const auto& [index, ext] : {std::pair{2, QStringLiteral("tif")}, std::pair{3, QStringLiteral("pcx")}}) {
        cCommonDlg dlg = saveDialog(provider, folder);
        whenModal([&, index = index](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(d, nullptr);
            auto* types = d->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            ASSERT_NE(types, nullptr);
            // As a user's choice arrives: the combo box reports an activation.
            types->setCurrentIndex(index - 1);
            emit types->activated(index - 1);
            typeAndAccept(d, QStringLiteral("chart"));
        });
        dlg.ShowSave();
        EXPECT_EQ(dlg.FileName.toStdString(), QDir(folder).filePath(QStringLiteral("chart.") + ext).toStdString());
    }
}

TEST(CommonDialog, CancelSetsCancelButtonAndClearsTheName) {
    QtFileDialogProvider provider;
    cCommonDlg dlg = saveDialog(provider, QDir::tempPath());
    dlg.FileName = QStringLiteral("x_rose.bmp");
    whenModal([](QWidget* w) {
        ASSERT_NE(w, nullptr);
        static_cast<QDialog*>(w)->reject();
    });
    dlg.ShowSave();
    EXPECT_TRUE(dlg.CancelButton);
    EXPECT_TRUE(dlg.FileName.isEmpty());
}
