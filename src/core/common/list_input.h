#pragma once

#include "common/error.h"

#include <QByteArray>
#include <QString>

#include <cmath>

namespace qorn {

// List input: fields separated by commas or line ends, blanks around them skipped, strings in
// double quotes. Failures carry run-time numbers: 62 input past the end, 13 a field that is no
// number, 6 a number beyond 16 bits.
class ListInput {
public:
    explicit ListInput(QByteArray text) : text_(std::move(text)) {}

    QString string() {
        skipBlanks();
        if (pos_ >= text_.size()) throw Error(err::InputPastEnd);
        QByteArray value;
        if (text_[pos_] == '"') {
            const qsizetype end = text_.indexOf('"', pos_ + 1);
            const qsizetype stop = end < 0 ? text_.size() : end;
            value = text_.mid(pos_ + 1, stop - pos_ - 1);
            pos_ = end < 0 ? text_.size() : end + 1;
            skipBlanks();
        } else {
            value = rawField().trimmed();
        }
        endField();
        return QString::fromLocal8Bit(value);
    }

    int integer() {
        skipBlanks();
        if (pos_ >= text_.size()) throw Error(err::InputPastEnd);
        const QByteArray field = rawField().trimmed();
        endField();
        bool ok = false;
        const double v = field.isEmpty() ? 0.0 : field.toDouble(&ok);
        // toDouble takes "nan" and "inf", which are no numbers to list input.
        if (!field.isEmpty() && (!ok || !std::isfinite(v))) throw Error(err::TypeMismatch);
        // Judged after rounding: 32767.5 rounds to 32768, past 16 bits.
        const double rounded = std::nearbyint(v);
        if (rounded > 32767 || rounded < -32768) throw Error(err::Overflow);
        return static_cast<int>(rounded);
    }

    // How far the fields read so far reach into the text.
    qsizetype position() const { return pos_; }

private:
    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }
    QByteArray rawField() {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && text_[pos_] != ',' && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
        return text_.mid(start, pos_ - start);
    }
    void endField() {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == ',') ++pos_;
        else if (pos_ < text_.size() && text_[pos_] == '\r') pos_ += (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ? 2 : 1;
        else if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
    }

    QByteArray text_;
    qsizetype pos_ = 0;
};

} // namespace qorn
