// The program as a user starts it, told what befell it at the start: a returning user's settings
// file cut short is kept aside and a notice names the kept copy at once, with no Getting Started
// as for a new user; a start refused for want of a folder for the one-copy lock shows a
// message window, besides its stderr lines, and ends with status 1 once it is closed, and so
// does a start in a Wayland session, on its Xwayland display; and a returning user whose home
// is named in Latin-1 under LANG=C is found as such.
#include "overlay/ToastController.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <vector>

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

// A viewable window titled `title` among the root's children and theirs (a window manager's
// frames), on a connection of the test's own; XCB_NONE when there is none.
xcb_window_t shownWindowTitled(xcb_connection_t* c, const QByteArray& title)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    std::vector<xcb_window_t> level{root};
    for (int depth = 0; depth < 4 && !level.empty(); ++depth) {
        std::vector<xcb_window_t> next;
        for (xcb_window_t w : level) {
            auto* name = xcb_get_property_reply(c, xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 64), nullptr);
            auto* attributes = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
            const bool hit = name && attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE
                && QByteArray(static_cast<const char*>(xcb_get_property_value(name)), xcb_get_property_value_length(name)) == title;
            free(name);
            free(attributes);
            if (hit)
                return w;
            if (auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, w), nullptr)) {
                const xcb_window_t* kids = xcb_query_tree_children(tree);
                next.insert(next.end(), kids, kids + xcb_query_tree_children_length(tree));
                free(tree);
            }
        }
        level = std::move(next);
    }
    return XCB_NONE;
}

TEST(StartNoticesX11, AStartInAWaylandSessionIsRefusedInAWindow)
{
    if (const auto why = XSession::outsideMatrixSkip(u"weston"_qs))
        GTEST_SKIP() << *why;
    ASSERT_TRUE(XSession::installed(u"Xwayland"_qs)) << "Xwayland is not installed (run scripts/deps)";
    // The session's Xvfb only holds the test's processes, home and logs: the program runs on the
    // Xwayland of a headless weston, with the variables of a Wayland login.
    XSessionOptions options;
    options.windowManager = false;
    XSession session(options);
    ASSERT_TRUE(session.ok()) << session.error();
    const pid_t weston = session.spawn({u"weston"_qs, u"--backend=headless-backend.so"_qs, u"--xwayland"_qs,
                                        u"--socket=wayland-fw"_qs, u"--idle-time=0"_qs});
    ASSERT_TRUE(weston) << session.error();
    const QRegularExpression listening(u"xserver listening on display (:[0-9]+)"_qs);
    QByteArray display;
    ASSERT_TRUE(session.waitFor([&] {
        const auto found = listening.match(programLog(session, u"weston"_qs));
        display = found.captured(1).toLatin1();
        return found.hasMatch();
    }, 10000)) << programLog(session, u"weston"_qs).toStdString();

    const pid_t program = session.spawn({u"env"_qs, u"DISPLAY="_qs + QString::fromLatin1(display),
                                         u"WAYLAND_DISPLAY=wayland-fw"_qs, u"XDG_SESSION_TYPE=wayland"_qs,
                                         QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    xcb_connection_t* c = xcb_connect(display.constData(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    xcb_window_t box = XCB_NONE;
    const bool shown = session.waitFor([&] { return (box = shownWindowTitled(c, "Framewell")) != XCB_NONE; }, 10000);
    const auto log = [&] { return programLog(session, u"env"_qs); };
    EXPECT_TRUE(shown) << "no message window\n" << log().toStdString();
    EXPECT_FALSE(session.waitForExit(program, 300)) << "it ended before the window was read";

    // Closed as a window manager's close button does.
    xcb_client_message_event_t close{};
    close.response_type = XCB_CLIENT_MESSAGE;
    close.format = 32;
    close.window = box;
    auto atom = [&](const char* name) {
        auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return a;
    };
    close.type = atom("WM_PROTOCOLS");
    close.data.data32[0] = atom("WM_DELETE_WINDOW");
    close.data.data32[1] = XCB_CURRENT_TIME;
    if (box != XCB_NONE)
        xcb_send_event(c, 0, box, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&close));
    xcb_flush(c);
    EXPECT_EQ(session.waitForExit(program, 10000), std::optional<int>(1)) << log().toStdString();
    xcb_disconnect(c);
    EXPECT_TRUE(log().contains(u"Framewell cannot start: it arranges windows only in an X11 session"_qs))
        << log().toStdString();
    EXPECT_FALSE(log().contains(u"Framewell started"_qs)) << log().toStdString();
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
    ASSERT_TRUE(session.waitFor([&] { return log().contains(u"Framewell started"_qs); }, kProgramStartMs)) << log().toStdString();
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
