#pragma once

#include <QString>

#include <optional>

namespace qorn {

// Tool codes (`ToolState`).
namespace tool {
constexpr int Off = -1;
constexpr int Select = 0;
constexpr int Pen = 1;
constexpr int Line = 2;
constexpr int Fill = 3;
constexpr int Text = 8;
constexpr int Paste = 9;
constexpr int Motif = 10;
constexpr int Eyedropper = 11;
constexpr int Rectangle = 21;
constexpr int RoundRect = 22;
constexpr int Circle = 31;
constexpr int Star = 81;
constexpr int Cross = 91;
} // namespace tool

// What the tool menu's first item reads for a tool, e.g. "三角形-左向き"; empty for none.
QString toolCaption(int toolState);

// The tool-bar button (1 to 14) that stands for a tool, 0 for none.
int toolButtonOf(int toolState);

// Figure tools drawn by shape code, and the code. Rectangle and circle have none.
std::optional<int> shapeCodeOf(int toolState);

// Which selector a tool-bar key ("t39") runs: select, the general selector with a menu index,
// the eyedropper, or a figure variant with its tool code.
struct ToolBarAction {
    enum Kind { Select, Tools, Spoit, Variant } kind;
    int index; // the menu index for Tools, the tool code for Variant
};
std::optional<ToolBarAction> toolBarAction(const QString& key);

// The group button a right click at (x, y) pixels on the tool bar falls on: the parent menu
// index 20 to 70 for buttons 5 to 10, nothing elsewhere.
std::optional<int> groupMenuAt(int x, int y);

} // namespace qorn
