#pragma once

#include <QImage>

#include <map>
#include <string>
#include <vector>

namespace qorn::test {

// Small pictures written one character per pixel, for pixel-exact expectations.
inline const std::map<char, QRgb>& asciiColours() {
    static const std::map<char, QRgb> colours = {
        {'.', 0xffffffff}, {'#', 0xff000000}, {'r', 0xffff0000}, {'b', 0xff0000ff}, {'g', 0xff00ff00},
    };
    return colours;
}

inline QImage asciiImage(const std::vector<std::string>& rows) {
    QImage img(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()), QImage::Format_RGB32);
    for (size_t y = 0; y < rows.size(); ++y)
        for (size_t x = 0; x < rows[y].size(); ++x) img.setPixel(int(x), int(y), asciiColours().at(rows[y][x]));
    return img;
}

inline std::string asciiOf(const QImage& img) {
    std::string out;
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            char c = '?';
            for (const auto& [k, v] : asciiColours())
                if (v == (img.pixel(x, y) | 0xff000000)) c = k;
            out += c;
        }
        out += '\n';
    }
    return out;
}

inline std::string ascii(const std::vector<std::string>& rows) { return asciiOf(asciiImage(rows)); }

inline QImage blank(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(0xffffffff);
    return img;
}

} // namespace qorn::test
