#include "file_errors.h"

#include <initializer_list>
#include <utility>

namespace qorn {
namespace {

using C = FileCommand;

struct Row {
    int number;
    const char* text;
    std::initializer_list<C> commands;
};

constexpr std::initializer_list<C> kEveryCommand = {C::Open,           C::OverwriteSave, C::SaveAs,
                                                    C::PatternDisplay, C::MotifSelection, C::Print,
                                                    C::SizeByNumber,   C::ImportDialog,  C::TextChart,
                                                    C::Editing,        C::Transform};

// Which commands list which numbers.
const Row kTable[] = {
    {57, "I/Oエラーです",
     {C::Open, C::OverwriteSave, C::SaveAs, C::PatternDisplay, C::MotifSelection, C::Print, C::SizeByNumber,
      C::ImportDialog, C::TextChart, C::Transform}},
    {61, "ﾃﾞｨｽｸの空き容量が不足です",
     {C::OverwriteSave, C::SaveAs, C::PatternDisplay, C::Print, C::TextChart, C::Transform}},
    {64, "ファイル名が無効です",
     {C::Open, C::OverwriteSave, C::SaveAs, C::PatternDisplay, C::MotifSelection, C::TextChart}},
    {68, "デバイスが準備されていません",
     {C::Open, C::OverwriteSave, C::SaveAs, C::PatternDisplay, C::MotifSelection, C::Print, C::ImportDialog,
      C::TextChart, C::Transform}},
    {70, "書き込みできません",
     {C::OverwriteSave, C::SaveAs, C::PatternDisplay, C::Print, C::SizeByNumber, C::TextChart, C::Transform}},
    {71, "ディスクが準備されていません",
     {C::Open, C::OverwriteSave, C::SaveAs, C::PatternDisplay, C::MotifSelection, C::Print, C::ImportDialog,
      C::TextChart, C::Transform}},
    {75, "パス名が無効です", {C::OverwriteSave}},
    {480, "メモリ不足です", {C::SizeByNumber}},
    // Memory can run out in any command; the user reads the same words everywhere.
    {7, "メモリ不足です", kEveryCommand},
    {20001, "メモリ不足です", kEveryCommand},
    {20005, "書き込み中エラー発生", {C::MotifSelection}},
    {20009, "ファイル内容が異常です",
     {C::Open, C::OverwriteSave, C::SaveAs, C::PatternDisplay, C::MotifSelection, C::ImportDialog}},
    {20010, "ファイルが見つかりません", {C::Open}},
    {20016, "このフォーマットには対応していません",
     {C::Open, C::OverwriteSave, C::SaveAs, C::PatternDisplay, C::MotifSelection, C::ImportDialog}},
    {20018, "プリンタエラー", {C::Print}},
    {20146, "このフォーマットには対応していません", {C::Open, C::MotifSelection}},
    {32107, "書き込み中のエラーです", {C::OverwriteSave, C::SaveAs, C::PatternDisplay, C::SizeByNumber}},
};

} // namespace

QString fileErrorMessage(int number, FileCommand command) {
    // Two columns word one number their own way.
    if (number == 20009 && command == C::ImportDialog) return QStringLiteral("ファイルの内容が異常です");
    if (number == 20016 && command == C::PatternDisplay) return QStringLiteral("ファイル内容が異常です");
    for (const Row& row : kTable) {
        if (row.number != number) continue;
        for (C c : row.commands)
            if (c == command) return QString::fromUtf8(row.text);
    }
    return QStringLiteral("エラー番号") + QString::number(number);
}

} // namespace qorn
