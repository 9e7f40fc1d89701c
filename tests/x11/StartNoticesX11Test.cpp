// The program as a user starts it, told what befell it at the start: a returning user's settings
// file cut short is kept aside and a notice names the kept copy at once, with no Getting Started
// as for a new user; a start refused for want of a folder for the one-copy lock shows a
// message window, besides its stderr lines, and ends with status 1 once it is closed; and a
// returning user whose home is named in Latin-1 under LANG=C is found as such.
#include "overlay/ToastController.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace fw {
namespace {

using namespace test;

TEST(StartNoticesX11, ASettingsFileCutShortIsKeptAsideAndToldAtOnce)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QString folder = session.directory() + u"/config/framewell"_qs;
    ASSERT_TRUE(QDir().mkpath(folder));
    // A returning user's file, with a custom layout and a recorded shortcut, seven bytes short.
    const QJsonObject layout{{"id", "user-1"}, {"name", "Mine"}, {"tree", QJsonObject{{"leaf", 0}}}};
    QByteArray whole = QJsonDocument(QJsonObject{
        {"hasOpened", true}, {"welcomeVideoShown", true}, {"lastSeenVersion", productVersion()},
        {"customLayouts.v1", QJsonObject{{"default", QJsonArray{layout}}}},
        {"shortcuts.v1", QJsonObject{{"6", QJsonObject{{"combo", QJsonObject{{"keyCode", 33}, {"modifiers", 6144}, {"key", "P"}}}}}}},
    }).toJson(QJsonDocument::Compact);
    const QByteArray cut = whole.left(whole.size() - 7);
    QFile file(folder + u"/defaults.json"_qs);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(cut) == cut.size());
    file.close();

    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    const Rect noticeFrame = ToastController::noticeFrame(session.workArea().value_or(Rect(0, 0, 1920, 1080)));
    // Its card grows upwards with the lines of a long text.
    const auto noticeShown = [&] {
        for (xcb_window_t w : programWindows(session)) {
            const auto at = contentRect(session, w);
            if (at && at->x() == noticeFrame.x() && at->width() == noticeFrame.width() && at->maxY() == noticeFrame.maxY())
                return true;
        }
        return false;
    };
    ASSERT_TRUE(session.waitFor(noticeShown, 10000))
        << "no notice; shown: " << programPanels(session) << "\n" << programLog(session).toStdString();

    const QStringList kept = QDir(folder).entryList({u"defaults.json.corrupt-*"_qs}, QDir::Files);
    ASSERT_EQ(kept.size(), 1) << QDir(folder).entryList().join(u' ').toStdString();
    QFile keptFile(folder + u'/' + kept.front());
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), cut) << "the kept copy is the user's file, untouched";
    const QString notice = u"Your settings couldn’t be read, so Framewell started with fresh settings: your custom "
                           "layouts and shortcuts are not in use. The old file is kept as “"_qs
        + folder + u'/' + kept.front() + u"”."_qs;
    EXPECT_TRUE(programLog(session).contains(notice)) << programLog(session).toStdString();
    // A returning user: no Getting Started.
    EXPECT_FALSE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 1500))
        << "Getting Started opened for a user whose settings were kept aside";
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();
}

TEST(StartNoticesX11, AStartWithNoFolderForTheLockShowsWhyInAWindow)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    // No runtime folder, and a temporary and a state folder where nobody, root included, makes one.
    const pid_t program = session.spawn({u"env"_qs, u"-u"_qs, u"XDG_RUNTIME_DIR"_qs, u"TMPDIR=/proc"_qs,
                                         u"XDG_STATE_HOME=/proc/none"_qs, QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    const xcb_window_t box = session.waitForWindow(u"Framewell"_qs, program, 10000);
    ASSERT_NE(box, XCB_NONE) << "no message window";
    EXPECT_FALSE(session.waitForExit(program, 300)) << "it ended before the window was read";

    ASSERT_TRUE(session.activate(box));
    chord(session, {Return});
    EXPECT_EQ(session.waitForExit(program, 10000), std::optional<int>(1));
    const QString log = programLog(session, u"env"_qs);
    EXPECT_TRUE(log.contains(u"Framewell cannot start: no folder can hold the lock"_qs)) << log.toStdString();
}

TEST(StartNoticesX11, AHomeNamedInLatin1UnderTheCLocaleKeepsItsSettings)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QByteArray home = QFile::encodeName(session.directory()) + "/caf\xe9";
    for (const char* dir : {"", "/.config", "/.config/framewell"})
        ASSERT_EQ(::mkdir((home + dir).constData(), 0700), 0) << dir;
    const QByteArray opened = QJsonDocument(QJsonObject{{"hasOpened", true}, {"welcomeVideoShown", true},
                                                        {"lastSeenVersion", productVersion()}}).toJson();
    FILE* file = std::fopen((home + "/.config/framewell/defaults.json").constData(), "w");
    ASSERT_TRUE(file);
    std::fputs(opened.constData(), file);
    std::fclose(file);

    // The home's bytes pass through the shell: a QString would not carry them.
    const pid_t program = session.spawn(
        {u"sh"_qs, u"-c"_qs,
         u"h=\"$1/caf$(printf '\\351')\"; unset XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME; "
         "HOME=\"$h\" LANG=C LC_ALL=C exec \"$2\""_qs,
         u"sh"_qs, session.directory(), QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    const auto log = [&] { return programLog(session, u"sh"_qs); };
    ASSERT_TRUE(session.waitFor([&] { return log().contains(u"Framewell started"_qs); }, 10000)) << log().toStdString();
    EXPECT_FALSE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 1500))
        << "Getting Started opened: the settings were not found\n" << log().toStdString();
    // The start's writes went into the user's file, and nothing was made beside the home.
    QByteArray written;
    if (FILE* f = std::fopen((home + "/.config/framewell/defaults.json").constData(), "r")) {
        char buffer[4096];
        written = QByteArray(buffer, qsizetype(std::fread(buffer, 1, sizeof buffer, f)));
        std::fclose(f);
    }
    EXPECT_TRUE(written.contains("hadWindowControl")) << written.toStdString();
    for (const auto& entry : std::filesystem::directory_iterator(session.directory().toStdString()))
        EXPECT_EQ(entry.path().filename().string().find("caf\xef\xbf\xbd"), std::string::npos) << entry.path();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << log().toStdString();
    std::filesystem::remove_all(home.toStdString());
}

} // namespace
} // namespace fw
