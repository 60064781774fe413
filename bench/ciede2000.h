#pragma once

#include <QRgb>

#include <cmath>

// CIEDE2000 colour difference of two sRGB colours (D65), for judging pictures.
inline double ciede2000(QRgb a, QRgb b) {
    auto lab = [](QRgb c, double out[3]) {
        auto lin = [](int v) {
            const double s = v / 255.0;
            return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        const double r = lin(qRed(c)), g = lin(qGreen(c)), bl = lin(qBlue(c));
        const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * bl) / 0.95047;
        const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * bl;
        const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * bl) / 1.08883;
        auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
        out[0] = 116 * f(y) - 16;
        out[1] = 500 * (f(x) - f(y));
        out[2] = 200 * (f(y) - f(z));
    };
    double l1[3], l2[3];
    lab(a, l1);
    lab(b, l2);
    const double pi = 3.14159265358979323846;
    const double c1 = std::hypot(l1[1], l1[2]), c2 = std::hypot(l2[1], l2[2]);
    const double cm = (c1 + c2) / 2, cm7 = std::pow(cm, 7);
    const double g = 0.5 * (1 - std::sqrt(cm7 / (cm7 + std::pow(25.0, 7))));
    const double a1 = (1 + g) * l1[1], a2 = (1 + g) * l2[1];
    const double cp1 = std::hypot(a1, l1[2]), cp2 = std::hypot(a2, l2[2]);
    auto hue = [&](double bb, double aa) {
        if (bb == 0 && aa == 0) return 0.0;
        double h = std::atan2(bb, aa) * 180 / pi;
        return h < 0 ? h + 360 : h;
    };
    const double h1 = hue(l1[2], a1), h2 = hue(l2[2], a2);
    const double dl = l2[0] - l1[0], dc = cp2 - cp1;
    double dh = 0;
    if (cp1 * cp2 != 0) {
        dh = h2 - h1;
        if (dh > 180) dh -= 360;
        else if (dh < -180) dh += 360;
    }
    const double dH = 2 * std::sqrt(cp1 * cp2) * std::sin(dh * pi / 360);
    const double lm = (l1[0] + l2[0]) / 2, cpm = (cp1 + cp2) / 2;
    double hm = h1 + h2;
    if (cp1 * cp2 != 0) {
        if (std::abs(h1 - h2) <= 180) hm = (h1 + h2) / 2;
        else hm = (h1 + h2 < 360) ? (h1 + h2 + 360) / 2 : (h1 + h2 - 360) / 2;
    }
    const double t = 1 - 0.17 * std::cos((hm - 30) * pi / 180) + 0.24 * std::cos(2 * hm * pi / 180) +
                     0.32 * std::cos((3 * hm + 6) * pi / 180) - 0.20 * std::cos((4 * hm - 63) * pi / 180);
    const double dtheta = 30 * std::exp(-std::pow((hm - 275) / 25, 2));
    const double cpm7 = std::pow(cpm, 7);
    const double rc = 2 * std::sqrt(cpm7 / (cpm7 + std::pow(25.0, 7)));
    const double sl = 1 + 0.015 * std::pow(lm - 50, 2) / std::sqrt(20 + std::pow(lm - 50, 2));
    const double sc = 1 + 0.045 * cpm, sh = 1 + 0.015 * cpm * t;
    const double rt = -std::sin(2 * dtheta * pi / 180) * rc;
    return std::sqrt(std::pow(dl / sl, 2) + std::pow(dc / sc, 2) + std::pow(dH / sh, 2) + rt * (dc / sc) * (dH / sh));
}
