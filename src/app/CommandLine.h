#pragma once
// The command line: `deverav [FILE]` opens FILE at start instead of the default picture (what a
// file manager's Open With passes); --help and --version answer and quit. Nothing else.

#include <QString>
#include <QStringList>

namespace app {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    // For Run: the picture to open, as an absolute path; empty for the default picture.
    QString file;
    // For Help and Version: what to print; for Error: what is wrong.
    QString text;

    // `arguments` as the process got them, the program first.
    static CommandLine parse(const QStringList& arguments);
    static QString helpText();
    static QString versionText();
};

}  // namespace app
