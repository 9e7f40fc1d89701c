// The XDG base directories, read from the environment each time (tests and the first start
// change it).
#include "base/XdgDirs.h"

#include <QDir>

namespace fw {

namespace {

QString fromEnvironment(const char* variable, const QString& underHome)
{
    const QString dir = qEnvironmentVariable(variable);
    return dir.isEmpty() || !QDir::isAbsolutePath(dir) ? QDir::homePath() + underHome : dir;
}

} // namespace

QString xdgConfigHome() { return fromEnvironment("XDG_CONFIG_HOME", QStringLiteral("/.config")); }
QString xdgCacheHome() { return fromEnvironment("XDG_CACHE_HOME", QStringLiteral("/.cache")); }
QString xdgDataHome() { return fromEnvironment("XDG_DATA_HOME", QStringLiteral("/.local/share")); }
QString xdgStateHome() { return fromEnvironment("XDG_STATE_HOME", QStringLiteral("/.local/state")); }

QStringList xdgDataDirs()
{
    QStringList dirs;
    for (const QString& dir : qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir))
            dirs << dir;
    }
    if (dirs.isEmpty())
        dirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    return dirs;
}

} // namespace fw
