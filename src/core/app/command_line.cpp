#include "command_line.h"

#include <array>

namespace qorn {
namespace {

struct QtOption {
    const char* name;
    bool takesValue;
};

// The options QGuiApplication and QApplication take out of the arguments themselves
// (-display, -geometry, -title and -icon are the X11 spellings).
constexpr std::array<QtOption, 19> kQtOptions{{
    {"platform", true},     {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"qwindowgeometry", true}, {"qwindowicon", true},     {"qwindowtitle", true},  {"session", true},
    {"display", true},      {"geometry", true},           {"title", true},         {"icon", true},
    {"style", true},        {"stylesheet", true},         {"reverse", false},      {"widgetcount", false},
    {"nograb", false},      {"dograb", false},            {"sync", false},
}};

// How many arguments a Qt option uses (1 or 2), or 0 when `arg` is none of Qt's. Qt accepts
// one dash or two; only the style options also take their value after "=".
int qtOptionLength(const QString& arg) {
    QString name = arg.mid(arg.startsWith(QLatin1String("--")) ? 2 : 1);
    if (const qsizetype eq = name.indexOf(QLatin1Char('=')); eq >= 0) {
        name.truncate(eq);
        return name == QLatin1String("style") || name == QLatin1String("stylesheet") ? 1 : 0;
    }
    for (const QtOption& o : kQtOptions)
        if (name == QLatin1String(o.name)) return o.takesValue ? 2 : 1;
    return 0;
}

} // namespace

CommandLine parseCommandLine(const QStringList& args) {
    CommandLine result;
    QStringList names;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            names << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            result.action = CommandLine::Action::Help;
            return result;
        } else if (arg == QLatin1String("--version") || arg == QLatin1String("-v")) {
            result.action = CommandLine::Action::Version;
            return result;
        } else if (const int n = qtOptionLength(arg)) {
            i += n - 1;
        } else {
            result.action = CommandLine::Action::Error;
            result.message = QStringLiteral("qorn: 不明なオプションです / unknown option: %1\n"
                                            "使い方は qorn --help で表示されます / see qorn --help\n")
                                 .arg(arg);
            return result;
        }
    }
    result.path = names.join(QLatin1Char(' '));
    return result;
}

QString versionText() {
    return QStringLiteral("%1 %2\n").arg(QLatin1String(kProgramName), QLatin1String(kProgramVersion));
}

QString helpText() {
    return QStringLiteral(
        "使い方 / Usage: qorn [オプション/options] [ファイル/file]\n"
        "\n"
        "編み図エディタを起動し、ファイル（.qrd または BMP, TIFF, PCX, PICT などの画像）を開きます。\n"
        "Starts the chart editor, opening the chart (.qrd) or picture given.\n"
        "\n"
        "  -h, --help       この説明を表示して終了 / show this help and exit\n"
        "  -v, --version    バージョンを表示して終了 / show the version and exit\n"
        "  --               以降はすべてファイル名 / everything after it is the file name\n"
        "\n"
        "空白で分かれて渡されたパスは、空白でつないで一つのパスとして開きます。\n"
        "Arguments are joined with spaces into one path. Qt's own options (-platform, -style, ...) apply too.\n");
}

} // namespace qorn
