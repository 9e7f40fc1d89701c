#pragma once
// The XDG base directories: the variable's value when it is an absolute path, else the
// default under the home folder.

#include <QString>
#include <QStringList>

namespace fw {

QString xdgConfigHome();   // XDG_CONFIG_HOME, else ~/.config
QString xdgCacheHome();    // XDG_CACHE_HOME, else ~/.cache
QString xdgDataHome();     // XDG_DATA_HOME, else ~/.local/share
QString xdgStateHome();    // XDG_STATE_HOME, else ~/.local/state
// XDG_DATA_DIRS, its absolute entries only; /usr/local/share and /usr/share when it names none.
QStringList xdgDataDirs();

} // namespace fw
