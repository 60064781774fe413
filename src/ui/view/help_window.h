#pragma once

#include <QWidget>

class QTextBrowser;

namespace qorn {

// The help document in a window of its own that stays open beside the editor; opening help
// again brings the same window forward at the contents.
class HelpWindow : public QWidget {
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // False when the document cannot be read; the window then stays as it was.
    bool showContents(const QString& file);
    QTextBrowser* browser() const { return browser_; }

private:
    QTextBrowser* browser_;
};

} // namespace qorn
