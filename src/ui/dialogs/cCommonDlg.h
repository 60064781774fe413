#pragma once

#include <QString>

#include <QPointer>

#include <memory>
#include <optional>

class QPrinter;
class QWidget;

namespace qorn {

class cCommonDlg;

// Shows the file dialogs. The real one uses Qt's own dialogs; tests answer with a path or a
// cancel.
class FileDialogProvider {
public:
    virtual ~FileDialogProvider();
    virtual std::optional<QString> showOpen(const cCommonDlg& dialog) = 0;
    virtual std::optional<QString> showSave(const cCommonDlg& dialog) = 0;
    // Opens the help file at its contents; false when it cannot be shown.
    virtual bool showHelp(const cCommonDlg& dialog) = 0;
    // The printer dialog acting on the dialog's printer; false when it was cancelled.
    virtual bool showPrinter(const cCommonDlg& dialog) = 0;
};

class HelpWindow;

class QtFileDialogProvider : public FileDialogProvider {
public:
    QtFileDialogProvider();
    ~QtFileDialogProvider() override;
    std::optional<QString> showOpen(const cCommonDlg& dialog) override;
    std::optional<QString> showSave(const cCommonDlg& dialog) override;
    bool showHelp(const cCommonDlg& dialog) override;
    bool showPrinter(const cCommonDlg& dialog) override;
    HelpWindow* helpWindow() const;

private:
    // One help window for the whole run; later calls bring it back. It belongs to the main
    // window, so it goes when the program ends.
    QPointer<HelpWindow> help_;
};

// The standard dialogs behind a property interface: set the properties, call a Show method,
// read the results. A new instance serves one use.
class cCommonDlg {
public:
    // Option bits as the callers pass them.
    static constexpr int OverwritePrompt = 2;
    static constexpr int HideReadOnly = 4;
    static constexpr int ShowHelpButton = 16;
    static constexpr int PrintSetup = 64;
    static constexpr int PathMustExist = 2048;
    static constexpr int FileMustExist = 4096;
    // What every save dialog of the program asks for (2070).
    static constexpr int SaveFlags = OverwritePrompt | HideReadOnly | PathMustExist | ShowHelpButton;

    explicit cCommonDlg(FileDialogProvider& provider);

    QWidget* Form = nullptr;
    QString Filter = QStringLiteral("All Files (*.*)|*.*");
    int FilterIndex = 0;
    int Flags = 0;
    QString DialogTitle = QStringLiteral("Open File");
    QString InitDir;
    QString FileName;
    QString DefaultExt;
    bool CancelError = false;
    bool CancelButton = false;
    QString FileTitle;
    QString HelpFile;
    int HelpCommand = 0;
    int ErrNumber = 0;
    // The printer the printer dialog chooses for; it keeps the choice.
    QPrinter* Printer = nullptr;

    // Help commands as the callers pass them.
    static constexpr int HelpContents = 3;
    static constexpr int HelpUnavailable = 32751;

    void ShowOpen();
    void ShowSave();
    // Shows `HelpFile` only when both it and `HelpCommand` are set; a failure leaves its
    // number in `ErrNumber`.
    void ShowHelp();
    // The printer dialog on `Printer`; a cancel sets `CancelButton` (and `ErrNumber` 32755 when
    // `CancelError` asks for it).
    void ShowPrinter();
    QString ErrDescription() const { return errorText(ErrNumber); }
    static QString errorText(int number);

    // Qt's form of the filter: "description (patterns)" joined by ";;". Patterns also match
    // in upper case, as file names of any case do on the systems the filters were made for.
    QStringList qtFilters() const;

private:
    void finish(const std::optional<QString>& chosen);
    FileDialogProvider& provider_;
};

} // namespace qorn
