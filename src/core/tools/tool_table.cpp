#include "tool_table.h"

#include <array>

namespace qorn {
namespace {

const std::array<QString, 4> kHalf = {QStringLiteral("半円－左"), QStringLiteral("半円-右"), QStringLiteral("半円-上"),
                                      QStringLiteral("半円-下")};
const std::array<QString, 4> kQuarter = {QStringLiteral("1/4円－左上"), QStringLiteral("1/4円－左下"),
                                         QStringLiteral("1/4円－右上"), QStringLiteral("1/4円－右下")};
const std::array<QString, 4> kFacing = {QStringLiteral("左向き"), QStringLiteral("右向き"), QStringLiteral("上向き"),
                                        QStringLiteral("下向き")};
const std::array<QString, 4> kSlant = {QStringLiteral("左傾き"), QStringLiteral("右傾き"), QStringLiteral("左下がり"),
                                       QStringLiteral("右下がり")};
const std::array<QString, 4> kPoly = {QStringLiteral("ダイヤ型"), QStringLiteral("正五角形"), QStringLiteral("正六角形"),
                                      QStringLiteral("正八角形")};

} // namespace

QString toolCaption(int t) {
    switch (t) {
    case tool::Select: return QStringLiteral("選択");
    case tool::Pen: return QStringLiteral("自由曲線");
    case tool::Line: return QStringLiteral("線");
    case tool::Fill: return QStringLiteral("塗りつぶし");
    case tool::Text: return QStringLiteral("文字");
    case tool::Eyedropper: return QStringLiteral("スポイト");
    case tool::Rectangle: return QStringLiteral("長方形");
    case tool::RoundRect: return QStringLiteral("角丸長方形");
    case tool::Circle: return QStringLiteral("円");
    case tool::Star: return QStringLiteral("星型");
    case tool::Cross: return QStringLiteral("十字型");
    default: break;
    }
    if (t >= 32 && t <= 35) return kHalf[t - 32];
    if (t >= 36 && t <= 39) return kQuarter[t - 36];
    if (t >= 41 && t <= 44) return QStringLiteral("三角形-") + kFacing[t - 41];
    if (t >= 51 && t <= 54) return QStringLiteral("平行四辺形-") + kSlant[t - 51];
    if (t >= 61 && t <= 64) return QStringLiteral("台形-") + kFacing[t - 61];
    if (t >= 71 && t <= 74) return QStringLiteral("多角形-") + kPoly[t - 71];
    return {};
}

int toolButtonOf(int t) {
    switch (t) {
    case tool::Select: return 1;
    case tool::Pen: return 2;
    case tool::Line: return 3;
    case tool::Fill: return 4;
    case tool::Star: return 11;
    case tool::Cross: return 12;
    case tool::Text: return 13;
    case tool::Eyedropper: return 14;
    default: break;
    }
    if (t == 21 || t == 22) return 5;
    if (t >= 31 && t <= 39) return 6;
    if (t >= 41 && t <= 44) return 7;
    if (t >= 51 && t <= 54) return 8;
    if (t >= 61 && t <= 64) return 9;
    if (t >= 71 && t <= 74) return 10;
    return 0;
}

std::optional<int> shapeCodeOf(int t) {
    static const int half[4] = {8005, 8006, 8007, 8008};
    static const int quarter[4] = {8001, 8002, 8003, 8004};
    static const int triangle[4] = {5004, 5005, 5006, 5007};
    static const int poly[4] = {6001, 6002, 6003, 6000};
    if (t == tool::RoundRect) return 2001;
    if (t >= 32 && t <= 35) return half[t - 32];
    if (t >= 36 && t <= 39) return quarter[t - 36];
    if (t >= 41 && t <= 44) return triangle[t - 41];
    if (t >= 51 && t <= 54) return 3000 + (t - 51);
    if (t >= 61 && t <= 64) return 4000 + (t - 61);
    if (t >= 71 && t <= 74) return poly[t - 71];
    if (t == tool::Star) return 9001;
    if (t == tool::Cross) return 10000;
    return std::nullopt;
}

std::optional<ToolBarAction> toolBarAction(const QString& key) {
    bool ok = false;
    const int n = key.mid(1).toInt(&ok);
    if (!ok) return std::nullopt;
    using K = ToolBarAction;
    switch (n) {
    case 0: return K{K::Select, 0};
    case 1: case 2: case 3: case 81: case 91: return K{K::Tools, n};
    case 8: return K{K::Tools, 100};
    case 11: return K{K::Spoit, 0};
    default: break;
    }
    if (n == tool::Rectangle || n == tool::Circle || shapeCodeOf(n)) return K{K::Variant, n};
    return std::nullopt;
}

std::optional<int> groupMenuAt(int x, int y) {
    if (x < 0 || y < 0) return std::nullopt;
    const int b = (y / 22) * 7 + x / 24;
    if (b >= 4 && b <= 9) return 20 + (b - 4) * 10;
    return std::nullopt;
}

} // namespace qorn
