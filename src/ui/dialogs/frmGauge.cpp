#include "frmGauge.h"

#include "app/prompter.h"
#include "edit/edit_ops.h"
#include "spin_edit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qorn {
namespace {

struct Limits {
    int meMin, meMax, danMin, danMax;
};

// What the fields accept; the spin buttons of the gauge step within 10 to 100 only.
constexpr Limits kGaugeAccepted{10, 200, 10, 200};
constexpr Limits kGaugeSpin{10, 100, 10, 100};
constexpr Limits kSize{5, 200, 5, 400};

} // namespace

frmGauge::frmGauge(Mode mode, Prompter& prompter, QWidget* parent)
    : QDialog(parent), mode_(mode), prompter_(prompter) {
    setWindowTitle(mode == Mode::Gauge ? QStringLiteral("ゲージ変更") : QStringLiteral("サイズ変更"));
    const Limits spin = mode == Mode::Gauge ? kGaugeSpin : kSize;
    MeText = new SpinEdit(spin.meMin, spin.meMax, this);
    DanText = new SpinEdit(spin.danMin, spin.danMax, this);
    MeText->setObjectName(QStringLiteral("MeText"));
    DanText->setObjectName(QStringLiteral("DanText"));
    MeLabel = new QLabel(QStringLiteral("目"), this);
    DanLabel = new QLabel(QStringLiteral("段"), this);
    comOk = new QPushButton(QStringLiteral("Ok"), this);
    comCan = new QPushButton(QStringLiteral("Cancel"), this);
    comOk->setDefault(true);

    for (SpinEdit* field : {MeText, DanText}) field->setMinimumWidth(80);
    auto* fields = new QGridLayout;
    fields->addWidget(MeText, 0, 0);
    fields->addWidget(MeLabel, 0, 1);
    fields->addWidget(DanText, 1, 0);
    fields->addWidget(DanLabel, 1, 1);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(comOk);
    buttons->addWidget(comCan);
    buttons->addStretch();
    auto* all = new QHBoxLayout(this);
    all->addLayout(fields);
    all->addLayout(buttons);

    connect(comOk, &QPushButton::clicked, this, &frmGauge::comOk_Click);
    connect(comCan, &QPushButton::clicked, this, &frmGauge::comCan_Click);
}

QString frmGauge::title() const {
    return mode_ == Mode::Gauge ? QStringLiteral("ｹﾞｰｼﾞ変更") : QStringLiteral("ｻｲｽﾞ変更");
}

void frmGauge::comOk_Click() {
    const Limits l = mode_ == Mode::Gauge ? kGaugeAccepted : kSize;
    const std::optional<int> me = parseFieldNumber(MeText->text());
    const std::optional<int> dan = parseFieldNumber(DanText->text());
    if (!me || !dan || *me < l.meMin || *me > l.meMax || *dan < l.danMin || *dan > l.danMax) {
        prompter_.MsgBox(QStringLiteral("数値不正"), vbOKOnly + vbExclamation, title());
        return;
    }
    if (check) {
        if (const std::optional<QString> why = check(*me, *dan)) {
            prompter_.MsgBox(*why, vbOKOnly + vbExclamation, title());
            return;
        }
    }
    me_ = *me;
    dan_ = *dan;
    Tag = QStringLiteral("1");
    accept();
}

void frmGauge::comCan_Click() {
    Tag = QStringLiteral("0");
    reject();
}

} // namespace qorn
