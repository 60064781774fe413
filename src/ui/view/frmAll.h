#pragma once

#include <QDialog>
#include <QImage>

class QLabel;
class QPushButton;

namespace qorn {

// `frmAll`: the whole pattern in a fixed box, or the about box. Which one is a constructor
// argument; the caller sets the caption.
class frmAll : public QDialog {
public:
    enum class Content { WholeView, About };
    frmAll(Content content, const QImage& pattern, QWidget* parent = nullptr);

    Content content() const { return content_; }
    QLabel* Picture1 = nullptr;
    QPushButton* Command1 = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Content content_;
};

} // namespace qorn
