// The folders read from the environment: the password database's home when HOME is unset or
// empty, and paths whose bytes are not UTF-8 opening what the bytes name.
#include "base/UserDefaults.h"
#include "base/XdgDirs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include <sys/stat.h>

namespace fw {
namespace {

PathEnvironment environment(std::map<std::string, QByteArray> variables, QByteArray passwordHome)
{
    return {[variables](const char* name) {
                const auto it = variables.find(name);
                return it == variables.end() ? QByteArray() : it->second;
            },
            [passwordHome] { return passwordHome; }};
}

TEST(XdgDirs, HomeUnsetOrEmptyIsThePasswordDatabasesHome)
{
    for (const QByteArray& home : {QByteArray(), QByteArray("")}) {
        const auto env = environment({{"HOME", home}}, "/var/lib/someone");
        EXPECT_EQ(homeFolder(env), "/var/lib/someone");
        EXPECT_EQ(xdgConfigHome(env), "/var/lib/someone/.config");
        EXPECT_EQ(xdgCacheHome(env), "/var/lib/someone/.cache");
        EXPECT_EQ(xdgStateHome(env), "/var/lib/someone/.local/state");
    }
    const auto set = environment({{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "relative/data"}, {"TMPDIR", "tmp"}}, "/root");
    EXPECT_EQ(xdgDataHome(set), "/home/ann/.local/share") << "a relative value is not used";
    EXPECT_EQ(temporaryFolder(set), "/tmp");
    EXPECT_EQ(xdgConfigHome(environment({{"XDG_CONFIG_HOME", "/etc/xdg-ann"}}, "/root")), "/etc/xdg-ann");
}

// A home named in Latin-1 ("café" as 63 61 66 E9) under LANG=C: the settings are found there, and
// nothing is made beside it under a name with U+FFFD.
TEST(XdgDirs, PathsThatAreNotUtf8OpenWhatTheirBytesName)
{
    QTemporaryDir tmp;
    const QByteArray home = QFile::encodeName(tmp.path()) + "/caf\xe9";
    ASSERT_EQ(::mkdir(home.constData(), 0700), 0);
    ASSERT_EQ(::mkdir((home + "/.config").constData(), 0700), 0);
    ASSERT_EQ(::mkdir((home + "/.config/framewell").constData(), 0700), 0);
    {
        FILE* raw = std::fopen((home + "/.config/framewell/defaults.json").constData(), "w");
        ASSERT_TRUE(raw);
        std::fputs(R"({"hasOpened":true})", raw);
        std::fclose(raw);
    }
    const auto env = environment({{"HOME", home}, {"TMPDIR", home}}, "/root");
    FileDefaults defaults(xdgConfigHome(env) + "/framewell/defaults.json");
    EXPECT_TRUE(defaults.boolValue("hasOpened", false));
    defaults.setValue("written", true);
    EXPECT_TRUE(QFile::exists(temporaryFolder(env) + "/.config/framewell/defaults.json"));

    // A missing folder under the home is made where the bytes say.
    const auto unmade = environment({{"XDG_STATE_HOME", home + "/state\xff"}}, "/root");
    EXPECT_TRUE(QDir().mkpath(xdgStateHome(unmade) + "/framewell"));
    struct stat st {};
    EXPECT_EQ(::stat((home + "/state\xff/framewell").constData(), &st), 0);
    const std::filesystem::path top(QFile::encodeName(tmp.path()).toStdString());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(top), {}), 1) << "nothing made beside the home";
    EXPECT_EQ(xdgDataDirs(environment({{"XDG_DATA_DIRS", "/usr/share:" + home}}, "/")).size(), 2);
    // Data folders are only looked in: a missing one is left out of the list, never made.
    const QByteArray missing = QFile::encodeName(tmp.path()) + "/data\xe9";
    EXPECT_EQ(xdgDataDirs(environment({{"XDG_DATA_DIRS", "/usr/share:" + missing}}, "/")), QStringList{"/usr/share"});
    EXPECT_NE(::stat(missing.constData(), &st), 0) << "a data folder was made";
    std::filesystem::remove_all(home.toStdString());
}

} // namespace
} // namespace fw
