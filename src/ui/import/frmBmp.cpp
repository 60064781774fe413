#include "frmBmp.h"

#include "edit/edit_ops.h"

#include "app/prompter.h"
#include "common/error.h"
#include "dialogs/file_errors.h"
#include "dialogs/spin_edit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace qorn {

ImportPreview::ImportPreview(QWidget* parent) : QWidget(parent) {
    setFixedSize(320, 240);
    setCursor(Qt::CrossCursor);
}

void ImportPreview::setPicture(const QImage& picture) {
    picture_ = picture;
    update();
}

void ImportPreview::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    p.drawImage(0, 0, picture_);
    if (dragging_) {
        // A frame that shows on any picture: dark with a light dash over it.
        const QRectF frame = QRectF(from_, to_).normalized();
        p.setPen(QPen(Qt::black, 1));
        p.drawRect(frame);
        p.setPen(QPen(Qt::white, 1, Qt::DashLine));
        p.drawRect(frame);
    }
}

void ImportPreview::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    dragging_ = true;
    from_ = to_ = e->position();
}

void ImportPreview::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_) return;
    to_ = e->position();
    update();
}

void ImportPreview::mouseReleaseEvent(QMouseEvent* e) {
    if (!dragging_ || e->button() != Qt::LeftButton) return;
    dragging_ = false;
    to_ = e->position();
    update();
    if (onCut) onCut(from_, to_);
}

frmBmp::frmBmp(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
    setWindowTitle(QStringLiteral("画像読み込み"));
    Lead1 = new ImportPreview(this);
    Lead1->onCut = [this](QPointF a, QPointF b) { cutPreview(a, b); };
    Label1 = new QLabel(this);
    Selpic = new QComboBox(this);
    Selpic->setPlaceholderText(QStringLiteral("(選択)"));
    Selpic->hide();
    lblIcotxt = new QLabel(QStringLiteral("の画像を"), this);
    lblIcotxt->hide();
    txtMax = new SpinEdit(10, 200, this);
    txtCol = new SpinEdit(2, 256, this);
    txtCol->setText(QStringLiteral("256"));
    chkDither = new QCheckBox(QStringLiteral("ﾃﾞｨｻﾞﾘﾝｸﾞ"), this);
    chkDither->setChecked(true);
    Check1 = new QCheckBox(QStringLiteral("ｻｲｽﾞを読み込み画像に合わせる"), this);
    Command1 = new QPushButton(QStringLiteral("Ok"), this);
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    connect(Command1, &QPushButton::clicked, this, &frmBmp::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmBmp::Command2_Click);
    connect(Selpic, &QComboBox::activated, this, &frmBmp::Selpic_Click);

    auto* fields = new QGridLayout;
    auto* size = new QHBoxLayout;
    size->addWidget(Label1);
    size->addWidget(Selpic);
    size->addWidget(lblIcotxt);
    size->addStretch();
    fields->addLayout(size, 0, 0, 1, 3);
    fields->addWidget(new QLabel(QStringLiteral("横"), this), 1, 0);
    fields->addWidget(txtMax, 1, 1);
    fields->addWidget(new QLabel(QStringLiteral("目以内に収める"), this), 1, 2);
    fields->addWidget(txtCol, 2, 1);
    fields->addWidget(new QLabel(QStringLiteral("色以内に減色する"), this), 2, 2);
    fields->addWidget(chkDither, 3, 1, 1, 2);
    fields->addWidget(Check1, 4, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* column = new QVBoxLayout;
    column->addLayout(fields);
    column->addWidget(new QLabel(QStringLiteral("*ﾏｳｽﾄﾞﾗｯｸﾞで読み込み範囲を指定できます"), this));
    column->addStretch();
    column->addLayout(buttons);
    auto* top = new QHBoxLayout(this);
    top->addWidget(Lead1, 0, Qt::AlignTop);
    top->addLayout(column);
}

bool frmBmp::load(const QString& path, ColorRef background) {
    Tag = QStringLiteral("0");
    Command1Tag = QStringLiteral("0");
    try {
        source_.open(path, background);
        if (source_.isIcon() && source_.iconEntries().size() > 1) {
            for (const IconEntry& e : source_.iconEntries())
                Selpic->addItem(QStringLiteral("%1×%2(%3色)").arg(e.width).arg(e.height).arg(e.colours));
            Selpic->show();
            lblIcotxt->show();
            Label1->hide();
        }
        showPicture();
    } catch (const Error& e) {
        prompter_.MsgBox(fileErrorMessage(e.number(), FileCommand::ImportDialog), vbOKCancel + vbExclamation,
                         QStringLiteral("開く"));
        Tag = QStringLiteral("1");
        Command1Tag = QStringLiteral("0");
        return false;
    }
    return true;
}

void frmBmp::showPicture() {
    const QSize s = source_.size();
    txtMax->setValue(s.width() <= 200 ? s.width() : 200);
    if (s.width() < 10) Check1->setChecked(false);
    Check1->setEnabled(s.width() >= 10);
    Label1->setText(QStringLiteral("%1×%2ﾄﾞｯﾄの画像を").arg(s.width()).arg(s.height()));
    Lead1->setPicture(source_.preview(Lead1->size()));
}

void frmBmp::Selpic_Click(int index) {
    try {
        source_.selectIcon(index);
        showPicture();
    } catch (const Error& e) {
        prompter_.MsgBox(fileErrorMessage(e.number(), FileCommand::ImportDialog), vbOKCancel + vbExclamation,
                         QStringLiteral("開く"));
    }
}

void frmBmp::cutPreview(QPointF from, QPointF to) {
    if (Lead1->picture().isNull()) return;
    // Preview pixels to picture pixels.
    const double f = double(source_.size().width()) / Lead1->picture().width();
    const double w = std::abs(f * to.x() - f * from.x()), h = std::abs(f * to.y() - f * from.y());
    if (w < 1 || h < 1) return;
    const QRect cut(static_cast<int>(f * std::min(from.x(), to.x())), static_cast<int>(f * std::min(from.y(), to.y())),
                    static_cast<int>(w), static_cast<int>(h));
    try {
        source_.cut(cut);
        showPicture();
    } catch (const Error& e) {
        prompter_.MsgBox(fileErrorMessage(e.number(), FileCommand::ImportDialog), vbOKCancel + vbExclamation,
                         QStringLiteral("開く"));
    }
}

void frmBmp::refuse(const QString& message) {
    prompter_.MsgBox(message, vbOKOnly + vbExclamation, QStringLiteral("開く"));
}

void frmBmp::Command1_Click() {
    const std::optional<int> max = parseFieldNumber(txtMax->text());
    const std::optional<int> col = parseFieldNumber(txtCol->text());
    // A field that holds no number fails its own range check.
    if (max && (*max < 1 || (Check1->isChecked() && *max < 10))) return refuse(QStringLiteral("小さすぎます"));
    if (!max || *max > 200) return refuse(QStringLiteral("大きすぎます"));
    if (!col || *col > 256 || *col < 2) return refuse(QStringLiteral("色数不正"));
    Command1Tag = QStringLiteral("1");
    accept();
}

void frmBmp::Command2_Click() {
    Command1Tag = QStringLiteral("0");
    reject();
}

ImportChoices frmBmp::choices() const {
    ImportChoices c;
    c.maxWidth = parseFieldNumber(txtMax->text()).value_or(0);
    c.colours = parseFieldNumber(txtCol->text()).value_or(0);
    c.dither = chkDither->isChecked();
    return c;
}

bool frmBmp::replacesPattern() const { return Check1->isChecked(); }

} // namespace qorn
