// Desktop-entry ids of chosen files: only files inside an applications folder have one, and
// the first folder that holds the file names it, also when it is reached through a link.
#include "platform/Applications.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(DesktopEntryId, OnlyEntriesInsideTheApplicationsFoldersHaveOne)
{
    QTemporaryDir dir;
    const QString home = dir.filePath("home/applications");
    const QString system = dir.filePath("usr/applications");
    QDir().mkpath(home);
    QDir().mkpath(system + "/kde");
    ASSERT_TRUE(QFile::link(system, dir.filePath("link")));
    const QStringList folders{home, system};

    EXPECT_EQ(desktopEntryId(system + "/kde/konsole.desktop", folders), "kde-konsole");
    EXPECT_EQ(desktopEntryId(home + "/../applications/gedit.desktop", folders), "gedit");
    EXPECT_EQ(desktopEntryId(dir.filePath("link/kde/konsole.desktop"), folders), "kde-konsole");
    EXPECT_FALSE(desktopEntryId(dir.filePath("home/gedit.desktop"), folders)) << "beside, not inside";
    EXPECT_FALSE(desktopEntryId(dir.filePath("usr/applications-old/x.desktop"), folders)) << "a prefix is not a folder";
    EXPECT_FALSE(desktopEntryId(system + "/notes.txt", folders));
    EXPECT_FALSE(desktopEntryId(system + "/.desktop", folders)) << "no name";
    EXPECT_FALSE(desktopEntryId("gedit.desktop", folders)) << "relative";
    EXPECT_FALSE(desktopEntryId(system + "/x.desktop", {}));
}

} // namespace
} // namespace fw
