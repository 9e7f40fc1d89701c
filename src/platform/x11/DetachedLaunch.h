#pragma once
// Starting a program as a desktop launcher does: detached from this process, in a session of
// its own, in the home folder, with /dev/null for its standard input, output and error and no
// other descriptor of this process, and without the startup notification id or activation
// token that would ask the window manager to focus it. No shell is involved: the program gets
// exactly the arguments it is given. Started from a desktop entry, it carries the entry as
// GLib's launcher marks it, so that its windows can be told by the entry that opened them.

#include "platform/WindowSystem.h"

#include <QString>
#include <QStringList>

namespace fw {

// `program` is an absolute path; `arguments` start with the program's own name. With a
// `desktopFile` (the entry's absolute path), GIO_LAUNCHED_DESKTOP_FILE names it and
// GIO_LAUNCHED_DESKTOP_FILE_PID the program's own process id; without one, neither is passed
// on. The started program's process id; nothing when it could not be started (not executable,
// or fork or exec failed). The call does not wait for the program beyond its exec.
std::optional<Pid> startDetached(const QString& program, const QStringList& arguments,
                                 const QString& desktopFile = {});

// The absolute path of an executable file: an absolute path as it is, a bare name searched in
// PATH; empty when there is none. A relative path with a "/" is never looked up.
QString executablePath(const QString& name);

} // namespace fw
