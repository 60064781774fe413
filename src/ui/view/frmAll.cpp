#include "frmAll.h"

#include "app/command_line.h"
#include "app/menu_icons.h"
#include "view/whole_view.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace qorn {

frmAll::frmAll(Content content, const QImage& pattern, QWidget* parent) : QDialog(parent), content_(content) {
    Picture1 = new QLabel(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
    if (content == Content::WholeView) {
        setFixedSize(306, 330); // 4590 x 4950 twips
        const QSize size = wholeViewSize(pattern.size());
        Picture1->setPixmap(QPixmap::fromImage(wholeViewPicture(pattern, size)));
        Picture1->setGeometry((width() - size.width()) / 2, 16, size.width(), size.height());
        Command1->setGeometry((width() - 80) / 2, 16 + kWholeViewBox.height() + 20, 80, 28);
    } else {
        setFixedSize(333, 200); // 5000 x 3000 twips
        Picture1->setPixmap(applicationIcon().pixmap(32, 32));
        Picture1->setGeometry(20, 20, 32, 32);
        Command1->setGeometry(80, 120, 80, 28);
    }
}

void frmAll::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (content_ != Content::About) return;
    QPainter p(this);
    QFont title = font();
    title.setBold(true);
    title.setItalic(true);
    title.setPointSize(14);
    p.setFont(title);
    const QFontMetrics fm(title);
    // Text is placed by its top-left corner, as printing at a current position does.
    p.drawText(60, 40 + fm.ascent(), QLatin1String(kProgramName));
    p.drawText(80, 64 + fm.ascent(), QLatin1String(kProgramVersion));
}

} // namespace qorn
