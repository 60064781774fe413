#pragma once

#include "import/import_source.h"

#include <QDialog>
#include <QImage>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace qorn {

class Prompter;
class SpinEdit;

// The preview of the import dialog: the picture scaled to fit; a left-button drag marks a
// region with a frame, and the release reports it in preview pixels.
class ImportPreview : public QWidget {
public:
    explicit ImportPreview(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    const QImage& picture() const { return picture_; }
    std::function<void(QPointF from, QPointF to)> onCut;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    bool dragging_ = false;
    QPointF from_, to_;
};

// `frmBmp` "画像読み込み": previews a picture, cuts out a region and collects the width limit,
// the colour limit, dithering and whether the picture replaces the pattern.
class frmBmp : public QDialog {
public:
    frmBmp(Prompter& prompter, QWidget* parent = nullptr);

    // Form_Load: reads the picture. False after a failure, which has been reported ("1" in Tag).
    bool load(const QString& path, ColorRef background);

    void Command1_Click(); // OK: checks the fields, then accepts
    void Command2_Click(); // Cancel
    void Selpic_Click(int index);
    // A cut given in preview pixels, as the drag on the preview reports it.
    void cutPreview(QPointF from, QPointF to);

    ImportSource& source() { return source_; }
    ImportChoices choices() const;
    bool replacesPattern() const;

    QString Tag = QStringLiteral("0");
    QString Command1Tag = QStringLiteral("0");

    ImportPreview* Lead1;
    QLabel* Label1;
    QComboBox* Selpic;
    QLabel* lblIcotxt;
    SpinEdit* txtMax;
    SpinEdit* txtCol;
    QCheckBox* chkDither;
    QCheckBox* Check1;
    QPushButton* Command1;
    QPushButton* Command2;

private:
    void showPicture();
    void refuse(const QString& message);

    Prompter& prompter_;
    ImportSource source_;
};

} // namespace qorn
