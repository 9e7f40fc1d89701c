// The start's steering of the libraries around the user's files. dconf's, as dconf finds them:
// its profile (in the runtime folder, or named by DCONF_PROFILE) and the databases a profile
// names; where dconf would open a FIFO, the desktop settings are kept in memory, and regular
// files change nothing. And the compose file that xkbcommon reads at the first key typed: a FIFO
// there is passed over for the locale's own table, which xkbcommon really loads; a FIFO at the X
// authority file leaves the connection without a cookie.
#include "base/LibraryFiles.h"
#include "base/Log.h"
#include "support/FifoWatch.h"
#include "support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>
#include <xkbcommon/xkbcommon-compose.h>

namespace fw {
namespace {

using test::ScopedEnv;

void writeFile(const QString& path, const QByteArray& data)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

void makeFifo(const QString& path)
{
    QFile::remove(path);
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

// A home, config, runtime and cache folder of the test's own, and none of the variables the
// steering sets, for the fixture's life.
class LibraryFiles : public ::testing::Test {
protected:
    QTemporaryDir dir;
    const QString root = dir.path();
    ScopedEnv home{"HOME", QFile::encodeName(root + u"/home"_qs)};
    ScopedEnv config{"XDG_CONFIG_HOME", QFile::encodeName(root + u"/config"_qs)};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", QFile::encodeName(root + u"/runtime"_qs)};
    ScopedEnv cache{"XDG_CACHE_HOME", QFile::encodeName(root + u"/cache"_qs)};
    ScopedEnv profileName{"DCONF_PROFILE", QByteArray()};
    ScopedEnv backend{"GSETTINGS_BACKEND", QByteArray()};
    ScopedEnv compose{"XCOMPOSEFILE", QByteArray()};
    ScopedEnv authority{"XAUTHORITY", QByteArray()};
    ScopedEnv driverFolder{"DRIRC_CONFIGDIR", QByteArray()};
    ScopedEnv shaderCache{"MESA_SHADER_CACHE_DIR", QByteArray()};
    ScopedEnv noShaderCache{"MESA_SHADER_CACHE_DISABLE", QByteArray()};
};

TEST_F(LibraryFiles, DesktopSettingsKeptInMemoryWhereDconfWouldOpenAFifo)
{
    ASSERT_TRUE(dir.isValid());
    log::Capture logged;
    const auto backendAfterStart = [] {
        qunsetenv("GSETTINGS_BACKEND");
        steerLibrariesClearOfUnreadableFiles();
        return qgetenv("GSETTINGS_BACKEND");
    };

    // A profile in the runtime folder naming the user's database and a file database, with a
    // comment and blank lines; all regular files.
    const QString profile = root + u"/runtime/dconf/profile"_qs, site = root + u"/site.db"_qs;
    writeFile(profile, "# ours\n\nuser-db:user\nfile-db:" + QFile::encodeName(site) + "   # shared\nsystem-db:local\n");
    writeFile(root + u"/config/dconf/user"_qs, "db");
    writeFile(site, "db");
    EXPECT_EQ(backendAfterStart(), QByteArray());

    makeFifo(site);
    EXPECT_EQ(backendAfterStart(), QByteArray("memory"));
    EXPECT_TRUE(logged.contains(u"At start, desktop settings are not read: "_qs + site + u" is no regular file"_qs));

    makeFifo(profile);
    EXPECT_EQ(backendAfterStart(), QByteArray("memory"));
    EXPECT_TRUE(logged.contains(u"At start, desktop settings are not read: "_qs + profile + u" is no regular file"_qs));

    // DCONF_PROFILE comes before the runtime folder: a path to a regular profile naming a
    // regular database is read as it is; one naming a FIFO is not.
    const QString named = root + u"/named-profile"_qs;
    writeFile(named, "user-db:other\n");
    writeFile(root + u"/config/dconf/other"_qs, "db");
    qputenv("DCONF_PROFILE", QFile::encodeName(named));
    EXPECT_EQ(backendAfterStart(), QByteArray());
    makeFifo(root + u"/config/dconf/other"_qs);
    EXPECT_EQ(backendAfterStart(), QByteArray("memory"));

    // Another backend chosen by the user is kept whatever dconf's files are.
    qputenv("GSETTINGS_BACKEND", "keyfile");
    steerLibrariesClearOfUnreadableFiles();
    EXPECT_EQ(qgetenv("GSETTINGS_BACKEND"), QByteArray("keyfile"));
}

TEST_F(LibraryFiles, TheLocalesComposeTableAndNoCookieWhereTheUsersFilesAreFifos)
{
    ASSERT_TRUE(dir.isValid());
    const QString fifo = root + u"/home/.XCompose"_qs, cookies = root + u"/home/.Xauthority"_qs;
    ASSERT_TRUE(QDir().mkpath(root + u"/home"_qs));
    makeFifo(fifo);
    makeFifo(cookies);
    log::Capture logged;
    test::FifoWatch watch({fifo});
    steerLibrariesClearOfUnreadableFiles();
    EXPECT_EQ(qgetenv("XCOMPOSEFILE"), QFile::encodeName(root + u"/cache/framewell/XCompose"_qs));
    EXPECT_TRUE(logged.contains(u"At start, "_qs + fifo + u" is not read: it is no regular file"_qs));
    // The connection to the server is made without a cookie, rather than never.
    EXPECT_EQ(qgetenv("XAUTHORITY"), QByteArray("/dev/null"));
    EXPECT_TRUE(logged.contains(u"At start, "_qs + cookies + u" is not read: it is no regular file"_qs));

    // What Qt's compose input method asks for at the first key typed.
    const std::unique_ptr<xkb_context, decltype(&xkb_context_unref)> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS),
                                                                              xkb_context_unref);
    ASSERT_TRUE(context);
    const std::unique_ptr<xkb_compose_table, decltype(&xkb_compose_table_unref)> table(
        xkb_compose_table_new_from_locale(context.get(), "en_US.UTF-8", XKB_COMPOSE_COMPILE_NO_FLAGS),
        xkb_compose_table_unref);
    EXPECT_TRUE(table) << "no compose table of the locale";
    EXPECT_EQ(watch.opened(), 0) << "xkbcommon opened the FIFO";
}

} // namespace
} // namespace fw
