#pragma once
// The command line, read before anything starts: --help and --version answer on stdout and end
// the process, an option it does not know ends it with a message on stderr and status 2, and
// the options the program takes (--welcome, --preview, --diagnostics) let it start.
//
//   const CommandLine line = CommandLine::parse(arguments);   // without the program's name
//   if (line.action != CommandLine::Action::run) { print(line.text); return line.exitStatus(); }

#include <QString>
#include <QStringList>

namespace fw {

struct CommandLine {
    enum class Action {
        run,       // start (or ask the running copy to open again)
        help,      // the usage on stdout, status 0
        version,   // the name and version on stdout, status 0
        refuse,    // a message naming the argument on stderr, status 2
    };
    Action action = Action::run;
    QString text;   // what help, version or refuse print, with its final newline

    int exitStatus() const { return action == Action::refuse ? 2 : 0; }
    bool toStderr() const { return action == Action::refuse; }

    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};

} // namespace fw
