#pragma once

#include <QString>
#include <QStringList>

namespace qorn {

// The program's name and version as the about box shows them.
inline constexpr char kProgramName[] = "QORN for Linux";
inline constexpr char kProgramVersion[] = "Ver.2.70";

struct CommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Run;
    // Run: the pattern to open (empty: a new one). The non-option arguments joined with a space,
    // so a path split at its spaces by a launcher that uses no shell still opens.
    QString path;
    // Error: the message for stderr.
    QString message;
};

// `args` are the arguments after the program name, as the system passed them. Read before Qt
// sees them: help, version and mistakes need no display. The first of help, version or an
// unknown option decides; "--" ends the options and a lone "-" is a name. Qt's own options
// (-platform, -style, ...) are left for QApplication, which reads the same arguments.
CommandLine parseCommandLine(const QStringList& args);

QString versionText();
QString helpText();

} // namespace qorn
