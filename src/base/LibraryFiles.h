#pragma once
// Files of the user's that libraries open for us on the main thread, where our bounded reads
// cannot go: the X cursor themes (libXcursor, for the cursors Qt shows), the X resources files
// (Xlib, when the server holds none), dconf's database and GSettings' compiled schemas (GIO). A
// FIFO or a device at any of them blocks the open for good, so the start never ends and no
// signal is heard. Before the libraries start, each is steered clear of such a file through its
// own environment variables (the cursor path without that folder, no resources file, settings
// kept in memory), and said in the log; a regular file or none changes nothing.
//
//   steerLibrariesClearOfUnreadableFiles();   // first thing in main, before QApplication
//   if (!compiledSchemasReadable()) ...       // before asking GSettings anything

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

} // namespace fw
