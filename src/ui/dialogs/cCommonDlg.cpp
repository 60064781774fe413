#include "cCommonDlg.h"

#include <QPrintDialog>
#include <QPrinter>

#include "view/help_window.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <map>

namespace qorn {

FileDialogProvider::~FileDialogProvider() = default;

cCommonDlg::cCommonDlg(FileDialogProvider& provider) : InitDir(QDir::currentPath()), provider_(provider) {}

QStringList cCommonDlg::qtFilters() const {
    const QStringList pieces = Filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        QStringList patterns = pieces[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString& p : pieces[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (p.toUpper() != p) patterns << p.toUpper();
        out << pieces[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out;
}

void cCommonDlg::finish(const std::optional<QString>& chosen) {
    CancelButton = false;
    if (!chosen) {
        FileName.clear();
        FileTitle.clear();
        if (CancelError) CancelButton = true;
        return;
    }
    FileName = *chosen;
    FileTitle = QFileInfo(*chosen).fileName();
}

void cCommonDlg::ShowOpen() { finish(provider_.showOpen(*this)); }

void cCommonDlg::ShowSave() { finish(provider_.showSave(*this)); }

void cCommonDlg::ShowHelp() {
    ErrNumber = 0;
    if (HelpFile.isEmpty() || HelpCommand == 0) return;
    if (!provider_.showHelp(*this)) ErrNumber = HelpUnavailable;
}

void cCommonDlg::ShowPrinter() {
    ErrNumber = 0;
    CancelButton = Printer == nullptr || !provider_.showPrinter(*this);
    if (CancelButton && CancelError) ErrNumber = 32755;
}

QString cCommonDlg::errorText(int number) {
    static const std::map<int, const char*> texts = {
        {20476, "メンバ lpstrFile が指すバッファが小さすぎます。"},
        {20477, "ファイル名が無効です。"},
        {20478, "メモリ不足のために、リスト ボックスをサブクラス化できません。"},
        {24574, "フォントが存在しません。"},
        {28660, "WIN.INI ファイル内の [devices] セクションに、必要なプリンタについてのエントリがありません。"},
        {28661, "PrintDlg 関数が情報コンテキストを作成できません。"},
        {28662, "DevMode データ構造と DevNames データ構造のデータが異なるプリンタを指しています。"},
        {28663, "通常使うプリンタが設定されていません。"},
        {28664, "プリンタ ドライバが見つかりません。"},
        {28665, "PrintDlg 関数を初期化できません。"},
        {28666, "プリンタ ドライバが DevMode データ構造を初期化できません。"},
        {28667, "PrintDlg 関数が、指定したプリンタ ドライバをロードできません。"},
        {28668, "PDReturnDefault フラグが設定されていますが、hDevMode フィールドまたは hDevNames フィールドが 0 ではありません。"},
        {28671, "PDReturnDefault フラグが設定されていますが、hDevMode フィールドまたは hDevNames フィールドが 0 ではありません。"},
        {28669, "CommonDialog 関数が WIN.INI の [devices] セクションの文字列を解析できません。"},
        {28670, "必要なリソースを読み込めません。"},
        {32751, "ヘルプを呼び出せません。"},
        {32752, "FileName プロパティまたは Filter プロパティにメモリを割り当てられません。"},
        {32755, "[キャンセル] ボタンが選択されました。"},
        {32757, "関数が、ハンドルに関連付けられたメモリをロックできません。"},
        {32758, "関数が、内部のデータ構造にメモリを割り当てられません。"},
        {32759, "関数が指定したリソースをロックできません。"},
        {32760, "関数が指定したリソースをロードできません。"},
        {32761, "関数が指定したリソースをロードできません。"},
        {32765, "関数を初期化できません。"},
        {-32768, "関数がダイアログ ボックスをロードできません。"},
    };
    const auto it = texts.find(number);
    return QString::fromUtf8(it == texts.end() ? "未知のｴﾗｰです。" : it->second);
}

namespace {

// The extension a filter's first pattern names ("*.tif" gives "tif"); empty for "*.*".
QString extensionOfPattern(const QString& patterns) {
    const QString first = patterns.section(QLatin1Char(';'), 0, 0).trimmed();
    const QString ext = first.mid(first.lastIndexOf(QLatin1Char('.')) + 1);
    return ext.contains(QLatin1Char('*')) || ext.contains(QLatin1Char('?')) ? QString() : ext;
}

// Qt's own dialog with the option bits the callers pass. Qt lets a name typed into a folder
// that does not exist through; "path must exist" refuses it here, before anything is written.
class CommonFileDialog : public QFileDialog {
public:
    CommonFileDialog(const cCommonDlg& d, bool save) : QFileDialog(d.Form, d.DialogTitle, d.InitDir), d_(d) {
        setOption(QFileDialog::DontUseNativeDialog);
        const QStringList filters = d.qtFilters();
        setNameFilters(filters);
        if (d.FilterIndex >= 1 && d.FilterIndex <= filters.size()) selectNameFilter(filters[d.FilterIndex - 1]);
        if (!d.DefaultExt.isEmpty()) setDefaultSuffix(d.DefaultExt);
        if (save) {
            setAcceptMode(QFileDialog::AcceptSave);
            setFileMode(QFileDialog::AnyFile);
            setOption(QFileDialog::DontConfirmOverwrite, !(d.Flags & cCommonDlg::OverwritePrompt));
        } else {
            setAcceptMode(QFileDialog::AcceptOpen);
            setFileMode(d.Flags & cCommonDlg::FileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        }
        if (!d.FileName.isEmpty()) selectFile(d.FileName);
    }

private:
    void suffixFor(qsizetype filterIndex) {
        const QStringList pieces = d_.Filter.split(QLatin1Char('|'));
        const QString ext = filterIndex >= 0 && 2 * filterIndex + 1 < pieces.size()
                                ? extensionOfPattern(pieces[2 * filterIndex + 1])
                                : QString();
        setDefaultSuffix(ext.isEmpty() ? d_.DefaultExt : ext.toLower());
    }

protected:
    void accept() override {
        // A bare name saves in the type the user chose.
        if (acceptMode() == QFileDialog::AcceptSave) suffixFor(d_.qtFilters().indexOf(selectedNameFilter()));
        const QStringList files = selectedFiles();
        if ((d_.Flags & cCommonDlg::PathMustExist) && !files.isEmpty()) {
            const QFileInfo info(files.front());
            if (!info.isDir() && !info.absoluteDir().exists()) {
                QMessageBox::warning(this, windowTitle(),
                                     QDir::toNativeSeparators(info.absoluteFilePath()) +
                                         QStringLiteral("\nパスが存在しません。\nパスが正しいかどうかを確認してください。"));
                return;
            }
        }
        QFileDialog::accept();
    }

private:
    const cCommonDlg& d_;
};

std::optional<QString> run(const cCommonDlg& d, bool save) {
    CommonFileDialog dialog(d, save);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

} // namespace

QtFileDialogProvider::QtFileDialogProvider() = default;
QtFileDialogProvider::~QtFileDialogProvider() {
    if (help_ && !help_->parent()) delete help_.data();
}

HelpWindow* QtFileDialogProvider::helpWindow() const { return help_.data(); }

bool QtFileDialogProvider::showPrinter(const cCommonDlg& d) {
    QPrintDialog dialog(d.Printer, d.Form);
    dialog.setWindowTitle(QStringLiteral("プリンタの設定"));
    return dialog.exec() == QDialog::Accepted;
}

bool QtFileDialogProvider::showHelp(const cCommonDlg& d) {
    if (!help_) help_ = new HelpWindow(d.Form);
    return help_->showContents(d.HelpFile);
}

std::optional<QString> QtFileDialogProvider::showOpen(const cCommonDlg& d) { return run(d, false); }

std::optional<QString> QtFileDialogProvider::showSave(const cCommonDlg& d) { return run(d, true); }

} // namespace qorn
