#include "whole_view.h"

#include "common/vbround.h"

#include <algorithm>

namespace qorn {

QSize wholeViewSize(QSize pattern, QSize box) {
    const int W = pattern.width(), H = pattern.height();
    if (W <= 0 || H <= 0) return {};
    QSize size = box;
    if (H < W) size.setHeight(roundToInt(double(H) / W * box.width()));
    else size.setWidth(roundToInt(double(W) / H * box.height()));
    return size.expandedTo(QSize(1, 1));
}

QImage wholeViewPicture(const QImage& pattern, QSize size) {
    if (pattern.isNull() || size.isEmpty()) return {};
    QImage out = pattern.convertToFormat(QImage::Format_RGB32);
    // One axis at a time, each with the filter its direction needs.
    auto scaleAxis = [&](int w, int h, bool grows) {
        out = out.scaled(w, h, Qt::IgnoreAspectRatio, grows ? Qt::FastTransformation : Qt::SmoothTransformation);
    };
    if (size.width() != out.width()) scaleAxis(size.width(), out.height(), size.width() > out.width());
    if (size.height() != out.height()) scaleAxis(out.width(), size.height(), size.height() > out.height());
    return out.convertToFormat(QImage::Format_RGB32);
}

} // namespace qorn
