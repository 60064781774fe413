#pragma once

#include "common/error.h"

#include <QByteArray>
#include <QImage>
#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

// Stops the run on a broken promise, saying which: libFuzzer keeps the input, the corpus replay
// fails its test.
#define FUZZ_REQUIRE(cond)                                                                         \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #cond);              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

// Qt's readers complain about every broken input; thousands of lines a second only slow the run.
inline const bool fuzzQuiet = (qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {}), true);

inline QByteArray fuzzBytes(const uint8_t* data, size_t size) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Only the numbers a reader documents may come out of it.
inline void requireNumber(const qorn::Error& e, std::initializer_list<int> allowed) {
    for (int n : allowed)
        if (e.number() == n) return;
    std::fprintf(stderr, "unexpected error number %d\n", e.number());
    std::abort();
}

// Decodes one input; whatever decodes must survive a write and a second read unchanged.
template <typename Read, typename Write>
int fuzzOne(const uint8_t* data, size_t size, Read read, Write write) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QImage image;
    try {
        image = read(bytes);
    } catch (const qorn::Error& e) {
        if (e.number() != qorn::err::Damaged && e.number() != qorn::err::Unsupported) std::abort();
        return 0;
    }
    if (image.isNull()) std::abort(); // a read either gives a picture or throws
    if (qint64(image.width()) * image.height() > 1 << 20) return 0;
    QByteArray written;
    try {
        written = write(image);
    } catch (const qorn::Error& e) {
        if (e.number() != qorn::err::WriteFailure) std::abort();
        return 0; // a picture the format cannot hold is refused, never written wrong
    }
    const QImage again = read(written);
    const QImage a = image.format() == QImage::Format_Indexed8 ? image : image.convertToFormat(QImage::Format_RGB32);
    if (again.size() != a.size()) std::abort();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((again.pixel(x, y) | 0xff000000) != (a.pixel(x, y) | 0xff000000)) std::abort();
    return 0;
}
