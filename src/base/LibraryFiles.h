#pragma once
// Files of the user's that libraries open for us on the main thread, where our bounded reads
// cannot go: the X authority file (libxcb, when it connects), the X cursor themes (libXcursor,
// for the cursors Qt shows), the X resources files (Xlib, when the server holds none), dconf's
// profile and databases, GSettings' compiled schemas (GIO), the compose file (xkbcommon, at the
// first key typed into a text field of ours) and Mesa's files: its configuration (~/.drirc, its
// folder of .conf files and /etc/drirc, read when OpenGL first opens the display) and its
// shader cache (kept in a folder of ours). A FIFO or a device at any of them blocks the open for
// good, so the start, the first transition or the first key never ends and no signal is heard.
// Each library is steered clear of such a file through its own environment variables (an empty
// authority file, the cursor path without that folder, no resources file, settings kept in
// memory, the locale's compose table, no driver configuration, no shader cache), and it is said
// in the log; a regular file or none changes nothing.
//
//   steerLibrariesClearOfUnreadableFiles();   // first thing in main, before QApplication
//   if (!compiledSchemasReadable()) ...       // before asking GSettings anything
//   { DriverConfigGuard guard; context.create(); }   // around making an OpenGL context

#include <QString>
#include <QStringList>

namespace fw {

// True when something is at the path that a plain open could block on or read without end: a
// FIFO, a device or a socket, a link followed.
bool blocksOnOpen(const QString& path);

// Sets the environment variables that keep the libraries off such files; what it changed, one
// line each (also logged).
QStringList steerLibrariesClearOfUnreadableFiles();

// Whether every compiled GSettings schema file GIO would open is a regular file or absent.
bool compiledSchemasReadable();

// Mesa reads $HOME/.drirc on the thread that first opens the display for OpenGL (GLX or EGL),
// without a bound and without asking what it is. While a guard lives, when that file is there
// but is no readable regular file of at most maxDriverConfigBytes, HOME names a path no file
// can be under, so Mesa finds none; said in the log once a run. HOME is given back when the
// guard goes. Main thread only, around making a context and its surface.
class DriverConfigGuard {
public:
    static constexpr qint64 maxDriverConfigBytes = 1024 * 1024;
    // HOME while the guard keeps Mesa off the file.
    static constexpr const char* steeredHome = "/dev/null";

    DriverConfigGuard();
    ~DriverConfigGuard();
    DriverConfigGuard(const DriverConfigGuard&) = delete;
    DriverConfigGuard& operator=(const DriverConfigGuard&) = delete;

    // Whether HOME was changed for the guard's life.
    bool steered() const { return !home_.isNull(); }

private:
    QByteArray home_;   // the HOME replaced; null when nothing was changed
};

} // namespace fw
