#pragma once
// Starting a program as a desktop launcher does: detached from this process, in a session of
// its own, in the home folder, with standard input from /dev/null and without the startup
// notification id or activation token that would ask the window manager to focus it. No
// shell is involved: the program gets exactly the arguments it is given.

#include <QString>
#include <QStringList>

namespace fw {

// `program` is an absolute path; `arguments` start with the program's own name. False when it
// could not be started (not executable, or fork or exec failed); the call does not wait for
// the program beyond its exec.
bool startDetached(const QString& program, const QStringList& arguments);

// The absolute path of an executable file: an absolute path as it is, a bare name searched in
// PATH; empty when there is none. A relative path with a "/" is never looked up.
QString executablePath(const QString& name);

} // namespace fw
