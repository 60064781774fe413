#include "help_window.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace qorn {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("QORN ヘルプ"));
    // Closing the editor ends the program even while the help is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(640, 720);
}

bool HelpWindow::showContents(const QString& file) {
    const QFileInfo info(file);
    if (!info.isFile() || !info.isReadable() || info.size() == 0) return false;
    browser_->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    if (browser_->toPlainText().isEmpty()) return false;
    browser_->home();
    show();
    raise();
    activateWindow();
    return true;
}

} // namespace qorn
