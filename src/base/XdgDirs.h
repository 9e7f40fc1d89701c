#pragma once
// The XDG base directories, the home and the temporary folder: the variable's value when it is
// an absolute path, else the default under the home folder. The home is HOME, or the password
// database's entry for this user when HOME is unset or empty (as for root started bare).
//
// Paths from the environment are bytes. Those that are not UTF-8 (a home named in Latin-1 under
// LANG=C) would lose a byte in a QString and name another folder, so the folder whose name is
// not UTF-8 is opened once and reached through its descriptor (/proc/self/fd/N): every path
// given here opens the file the bytes name. Such a folder is made (0700) when missing only for
// the home and the base folders written in; a folder that is only looked in (XDG_DATA_DIRS, the
// paths of localPath) is never made, and a missing data folder is left out.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

namespace fw {

// Where the folders are read from: the process's environment and password database, or a
// test's.
struct PathEnvironment {
    std::function<QByteArray(const char* variable)> variable;
    std::function<QByteArray()> passwordHome;   // the password database's home of this user
    static PathEnvironment process();
};

QString homeFolder(const PathEnvironment& env = PathEnvironment::process());
QString xdgConfigHome(const PathEnvironment& env = PathEnvironment::process());   // else ~/.config
QString xdgCacheHome(const PathEnvironment& env = PathEnvironment::process());    // else ~/.cache
QString xdgDataHome(const PathEnvironment& env = PathEnvironment::process());     // else ~/.local/share
QString xdgStateHome(const PathEnvironment& env = PathEnvironment::process());    // else ~/.local/state
// XDG_DATA_DIRS, its absolute entries that can be reached; /usr/local/share and /usr/share when
// it names none.
QStringList xdgDataDirs(const PathEnvironment& env = PathEnvironment::process());
// TMPDIR when absolute, else /tmp.
QString temporaryFolder(const PathEnvironment& env = PathEnvironment::process());

// The variable's value as a path that opens what its bytes name; empty when unset.
QString environmentPath(const char* variable);
// Bytes naming a file as a path Qt opens the same file by.
QString localPath(const QByteArray& bytes);

} // namespace fw
