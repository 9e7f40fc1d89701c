#pragma once
// The command of a desktop entry (Exec=, TryExec=): its arguments as a launch runs them, and
// the programs it names, by which a window's program is told as the entry's.

#include "platform/Applications.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace fw {

// The arguments of an Exec= value (after the entry's string escapes): split at blanks, double
// quotes with \", \`, \$ and \\ escapes and single quotes taken as the shell would, every field
// code (%f, %U, %i, …) dropped and %% read as %. Nothing for an unterminated quote or no program.
std::optional<QStringList> entryCommandLine(const QString& exec);

// The file names of the programs the entry runs as its own: its command's program (after `env`
// and the variables it sets) and its TryExec= program. None for an entry that runs in a
// terminal (the terminal's window is not its program's) or whose program only runs others (a
// shell, an interpreter, a sandbox): such a program is many applications.
QStringList entryProgramNames(const ApplicationEntry& entry);

// Whether the entry's command is its program alone, without arguments of its own.
bool entryRunsProgramAlone(const ApplicationEntry& entry);

} // namespace fw
