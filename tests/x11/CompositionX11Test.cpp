// A composition on a real server (Xvfb, openbox): a layout naming xterm and the test client,
// both installed as desktop entries in the session's own XDG_DATA_HOME, with only xterm
// running. xterm is placed at once on its cell grid; the program launches the test client
// from its entry (field codes dropped, detached in a session of its own) and places its
// window when it appears. Then an entry id that does not exist gives only its "isn't
// installed" notice. And the user's own xterm entry beside the system's (one class for both):
// the xterm it opens is its own, also after the windows changed places and the launches are
// forgotten (a restart), so it is opened once and keeps its region.
#include "layout/ScreenGeometry.h"
#include "platform/x11/XdgApplications.h"
#include "snap/AppliedLayouts.h"
#include "x11/CoordinatorRig.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;

bool writeEntry(const QString& folder, const QString& id, const QByteArray& body)
{
    QFile file(folder + u'/' + id + u".desktop"_qs);
    return file.open(QIODevice::WriteOnly) && file.write("[Desktop Entry]\nType=Application\n" + body) > 0;
}

TEST(CompositionX11, XtermIsPlacedAtOnceAndTheLaunchedTestClientWhenItsWindowAppears)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QString folder = session.directory() + u"/data/applications"_qs;
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray client = QFile::encodeName(XSession::testClientPath());
    ASSERT_TRUE(writeEntry(folder, u"xterm"_qs, "Name=XTerm\nExec=xterm\nStartupWMClass=XTerm\n"));
    ASSERT_TRUE(writeEntry(folder, u"org.example.TestClient"_qs,
                           "Name=Test Client\nTryExec=" + client + "\nExec=" + client
                               + " --title \"late client\" --size 400x300 %U\nStartupWMClass=FwTestClient\n"));
    auto term = session.startXterm(u"term"_qs, {"-geometry", "80x24+600+300"});
    ASSERT_TRUE(term.window) << session.error();

    SessionApp app(session);
    CoordinatorRig rig(session);
    rig.coordinator->context().applications = std::make_shared<XdgApplications>(QStringList{folder}, u"C"_qs);
    const ScreenInfo screen = rig.screens.screens().front();
    const RegionTree halves = RegionTree::split(SplitAxis::horizontal, 0.5, RegionTree::leaf(0), RegionTree::leaf(1));
    const SnapLayout pair{u"user-1"_qs, u"Pair"_qs, halves,
                          SnapLayout::AppMap{{0, {u"xterm"_qs}}, {1, {u"org.example.TestClient"_qs}}}};
    const auto frames = regionFrames(pair, screen);
    const auto termWindow = ManagedWindow::make(rig.ws, term.window);
    ASSERT_TRUE(termWindow);
    auto placed = [&](xcb_window_t window, RegionNumber region) {
        const auto frame = session.wmFrame(window);
        return frame && arrivedAt(*frame, frames.at(region), rig.ws.sizeHints(window)->increment, 1.0);
    };

    rig.coordinator->startLayoutApplication(pair, screen);
    ASSERT_TRUE(session.waitFor([&] { return !rig.notices.isEmpty(); }, 10000));
    EXPECT_EQ(rig.notices, QStringList{u"Opening Test Client. Each window goes to its spot when it appears."_qs});
    EXPECT_TRUE(placed(term.window, 0)) << "xterm at " << toString(*session.wmFrame(term.window)).toStdString();

    const xcb_window_t late = session.waitForWindow(u"late client"_qs, 0, 10000);
    ASSERT_NE(late, XCB_NONE) << "the test client was not launched";
    const auto pid = rig.ws.pid(late);
    ASSERT_TRUE(pid && *pid > 0);
    EXPECT_NE(::getsid(pid_t(*pid)), ::getsid(0)) << "launched in a session of its own";
    EXPECT_TRUE(session.waitFor([&] { return placed(late, 1); }, 10000))
        << "the test client at " << toString(*session.wmFrame(late)).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return rig.coordinator->context().tasks.taskCount() == 0; }, 10000));
    const auto& group = rig.coordinator->groups().at(displayKey(screen));
    EXPECT_EQ(group.windows.at(0).element, term.window);
    EXPECT_EQ(group.windows.at(1).element, late);
    EXPECT_EQ(rig.notices.size(), 1) << rig.notices.join(u" | "_qs).toStdString();

    // Both running now; an app that is not installed only says so.
    const SnapLayout missing{u"user-2"_qs, u"Pair and ghost"_qs, pair.tree,
                             SnapLayout::AppMap{{0, {u"xterm"_qs, u"org.example.Missing"_qs}},
                                                {1, {u"org.example.TestClient"_qs}}}};
    rig.coordinator->startLayoutApplication(missing, screen);
    EXPECT_TRUE(session.waitFor([&] { return rig.coordinator->groups().at(displayKey(screen)).layout.id == missing.id; },
                                10000));
    EXPECT_EQ(rig.notices, (QStringList{u"Opening Test Client. Each window goes to its spot when it appears."_qs,
                                        u"org.example.Missing isn’t installed, so another window took its spot."_qs}));
    EXPECT_TRUE(placed(term.window, 0) && placed(late, 1));
    ::kill(pid_t(*pid), SIGTERM);
}

TEST(CompositionX11, TheUsersOwnEntryBesideTheSystemsOpensItsAppOnceAndKeepsItsRegion)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    // The user's folder ($XDG_DATA_HOME) before the system's ($XDG_DATA_DIRS), as a desktop has them.
    const QString user = session.directory() + u"/data/applications"_qs;
    const QString system = session.directory() + u"/system/applications"_qs;
    ASSERT_TRUE(QDir().mkpath(user) && QDir().mkpath(system));
    const QByteArray common =
        "Name=XTerm\nComment=standard terminal emulator for the X window system\nStartupWMClass=XTerm\n";
    ASSERT_TRUE(writeEntry(user, u"xterm"_qs, common + "Exec=xterm -T compxterm\n"));
    ASSERT_TRUE(writeEntry(system, u"debian-xterm"_qs, common + "Exec=xterm\n"));
    auto plain = session.startXterm(u"plain"_qs, {"-geometry", "80x24+600+300"});
    ASSERT_TRUE(plain.window) << session.error();

    SessionApp app(session);
    CoordinatorRig rig(session);
    const auto applications = [&] { return std::make_shared<XdgApplications>(QStringList{user, system}, u"C"_qs); };
    rig.coordinator->context().applications = applications();
    const ScreenInfo screen = rig.screens.screens().front();
    const RegionTree halves = RegionTree::split(SplitAxis::horizontal, 0.5, RegionTree::leaf(0), RegionTree::leaf(1));
    const SnapLayout pair{u"user-1"_qs, u"Terminals"_qs, halves,
                          SnapLayout::AppMap{{0, {u"xterm"_qs}}, {1, {u"debian-xterm"_qs}}}};
    const auto frames = regionFrames(pair, screen);
    auto placed = [&](xcb_window_t window, RegionNumber region) {
        const auto frame = session.wmFrame(window);
        return frame && arrivedAt(*frame, frames.at(region), rig.ws.sizeHints(window)->increment, 1.0);
    };
    auto settled = [&] { return rig.coordinator->context().tasks.taskCount() == 0 && !rig.state.interaction.mutating; };

    // The running xterm is the system entry's; the user's entry has none and opens its own.
    rig.coordinator->startLayoutApplication(pair, screen);
    ASSERT_TRUE(session.waitFor([&] { return !rig.notices.isEmpty(); }, 10000));
    EXPECT_EQ(rig.notices, QStringList{u"Opening XTerm. Each window goes to its spot when it appears."_qs});
    const xcb_window_t own = session.waitForWindow(u"compxterm"_qs, 0, 10000);
    ASSERT_NE(own, XCB_NONE) << "the user's entry was not launched";
    const auto pid = rig.ws.pid(own);
    ASSERT_TRUE(pid && *pid > 0);
    EXPECT_TRUE(session.waitFor([&] { return placed(own, 0) && placed(plain.window, 1) && settled(); }, 15000))
        << "the user's xterm at " << toString(*session.wmFrame(own)).toStdString() << ", notices "
        << rig.notices.join(u" | "_qs).toStdString();

    // The two change places; the launches are forgotten, as after a restart: the user's xterm
    // is still known as its entry's, by the entry its process was started from.
    ASSERT_TRUE(rig.ws.setPosition(own, frames.at(1).origin) && rig.ws.setPosition(plain.window, frames.at(0).origin));
    ASSERT_TRUE(session.waitFor([&] { return placed(own, 1) && placed(plain.window, 0); }, 5000));
    rig.coordinator->context().applications = applications();
    rig.coordinator->startLayoutApplication(pair, screen);
    EXPECT_TRUE(session.waitFor([&] { return placed(own, 0) && placed(plain.window, 1) && settled(); }, 10000))
        << "the user's xterm at " << toString(*session.wmFrame(own)).toStdString();
    EXPECT_EQ(rig.notices.size(), 1) << "nothing opened again: " << rig.notices.join(u" | "_qs).toStdString();
    int opened = 0;
    for (const WindowInfo& info : rig.ws.snapshot())
        opened += info.title == u"compxterm"_qs ? 1 : 0;
    EXPECT_EQ(opened, 1);
    ::kill(pid_t(*pid), SIGTERM);
}

} // namespace
} // namespace fw
