// The window port on a real server: openbox, xterm and our test client.
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XdgApplications.h"
#include "windows/ManagedWindow.h"
#include "x11/XSession.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace fw {
namespace {

using test::XSession;

const WindowInfo* find(const std::vector<WindowInfo>& list, WindowId id)
{
    auto it = std::find_if(list.begin(), list.end(), [&](const WindowInfo& w) { return w.id == id; });
    return it == list.end() ? nullptr : &*it;
}
// The result points into the list: a temporary list would leave it dangling.
const WindowInfo* find(std::vector<WindowInfo>&&, WindowId) = delete;

TEST(X11WindowSystem, SnapshotListsClientsWithTheirWmFramesAndNoneOfOurs)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(QStringLiteral("term one"));
    auto client = session.startTestClient(QStringLiteral("plain client"), {"--size", "320x240"});
    auto anonymous = session.startTestClient(QStringLiteral("no pid"), {"--no-pid"});
    auto dialog = session.startTestClient(QStringLiteral("a dialog"), {"--type", "dialog"});
    auto dock = session.startTestClient(QStringLiteral("a dock"), {"--type", "dock", "--size", "1920x30"});
    ASSERT_TRUE(term.window && client.window && anonymous.window && dialog.window) << session.error();

    X11WindowSystem ws(session.display());
    ASSERT_TRUE(ws.connected());
    // Our own windows: a managed window that states our pid is left out.
    auto ours = session.startTestClient(QStringLiteral("ours"));
    ASSERT_TRUE(ours.window) << session.error();
    ws.setOwnPid(ours.pid);

    const auto list = ws.snapshot();
    for (const auto& c : {term, client, anonymous, dialog}) {
        const WindowInfo* w = find(list, c.window);
        ASSERT_NE(w, nullptr) << session.windowTitle(c.window).toStdString();
        auto wm = session.wmFrame(c.window);
        ASSERT_TRUE(wm);
        EXPECT_EQ(w->frame, *wm) << session.windowTitle(c.window).toStdString();
        EXPECT_EQ(w->pid, c.pid) << "the pid comes from _NET_WM_PID or, without it, from X-Resource";
        EXPECT_TRUE(w->onScreen);
        EXPECT_FALSE(w->minimized);
        EXPECT_EQ(w->layer, 0);
    }
    EXPECT_EQ(find(list, term.window)->title, QStringLiteral("term one"));
    EXPECT_EQ(find(list, term.window)->appClass, QStringLiteral("XTerm"));
    EXPECT_EQ(find(list, client.window)->appClass, QStringLiteral("FwTestClient"));
    EXPECT_EQ(find(list, client.window)->frame.size, (Size{322, 265})) << "client size grown by openbox's 1,1,20,5";
    EXPECT_TRUE(find(list, client.window)->normal);
    EXPECT_FALSE(find(list, dialog.window)->normal);
    EXPECT_EQ(find(list, dock.window), nullptr);
    EXPECT_EQ(find(list, ours.window), nullptr);

    // Front to back as the server stacks the frames: the last mapped window is in front.
    auto children = session.rootChildren();
    std::vector<WindowId> expected;
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        for (const auto& w : list)
            if (session.topLevelOf(xcb_window_t(w.id)) == *it)
                expected.push_back(w.id);
    std::vector<WindowId> actual;
    for (const auto& w : list)
        actual.push_back(w.id);
    EXPECT_EQ(actual, expected);

    EXPECT_EQ(ws.frame(client.window), session.wmFrame(client.window));
    EXPECT_EQ(ws.title(anonymous.window), QStringLiteral("no pid"));
    EXPECT_EQ(ws.pid(anonymous.window), anonymous.pid);
}

TEST(X11WindowSystem, WindowsAreNamedAfterTheirDesktopEntries)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(QStringLiteral("named"));
    ASSERT_TRUE(term.window) << session.error();

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("handy-terminal.desktop")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nName=Handy Terminal\nExec=xterm\nStartupWMClass=XTerm\n");
    file.close();
    XdgApplications apps({dir.path()}, QStringLiteral("C"));

    X11WindowSystem ws(session.display());
    ASSERT_TRUE(ws.connected());
    const auto before = ws.snapshot();
    auto unnamed = find(before, term.window);
    ASSERT_NE(unnamed, nullptr);
    EXPECT_EQ(unnamed->appClass, QStringLiteral("XTerm"));
    EXPECT_TRUE(unnamed->appName.isEmpty()) << "no applications installed: the class stands in";
    EXPECT_EQ(ManagedWindow::make(ws, term.window)->appName, QStringLiteral("XTerm"));

    ws.setApplications(&apps);
    const auto after = ws.snapshot();
    auto named = find(after, term.window);
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->appName, QStringLiteral("Handy Terminal"));
    EXPECT_EQ(ManagedWindow::make(ws, term.window)->appName, QStringLiteral("Handy Terminal"));
    ws.setApplications(nullptr);
}

TEST(X11WindowSystem, FrameWritesReadBackAndRefusedGeometryIsWhatTheWmKept)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto client = session.startTestClient(QStringLiteral("min client"), {"--size", "500x400", "--min", "400x300"});
    auto term = session.startXterm(QStringLiteral("stepped"));
    ASSERT_TRUE(client.window && term.window) << session.error();
    X11WindowSystem ws(session.display());

    // An allowed frame reads back exactly, and is what the WM shows.
    const Rect target(100, 120, 640, 480);
    ASSERT_TRUE(ws.setFrame(client.window, target));
    EXPECT_EQ(ws.frame(client.window), target);
    EXPECT_EQ(session.wmFrame(client.window), target);

    // Position alone keeps the size; size alone keeps the top-left corner.
    ASSERT_TRUE(ws.setPosition(client.window, Point{300, 200}));
    EXPECT_EQ(ws.frame(client.window), Rect(300, 200, 640, 480));
    ASSERT_TRUE(ws.setSize(client.window, Size{700, 500}));
    EXPECT_EQ(ws.frame(client.window), Rect(300, 200, 700, 500));

    // Below the minimum: openbox keeps the minimum, and the read-back says so.
    auto hints = ws.sizeHints(client.window);
    ASSERT_TRUE(hints && hints->minimum);
    EXPECT_EQ(*hints->minimum, (Size{402, 325})) << "the client minimum as an outer frame size";
    ASSERT_TRUE(ws.setFrame(client.window, Rect(50, 60, 300, 200)));
    EXPECT_EQ(ws.frame(client.window), Rect(50, 60, 402, 325));

    // xterm's size follows its increments: the client size minus its base is a whole number of cells.
    auto termHints = ws.sizeHints(term.window);
    ASSERT_TRUE(termHints);
    ASSERT_GT(termHints->increment.width, 1);
    ASSERT_GT(termHints->increment.height, 1);
    ASSERT_TRUE(ws.setFrame(term.window, Rect(10, 10, 961, 541)));
    auto termFrame = ws.frame(term.window);
    ASSERT_TRUE(termFrame);
    EXPECT_EQ(termFrame->origin, (Point{10, 10}));
    EXPECT_LE(termFrame->width(), 961);
    EXPECT_LE(termFrame->height(), 541);
    auto cells = [&](double outer, double base, double inc) {
        const double n = (outer - base) / inc;
        return n == std::floor(n);
    };
    EXPECT_TRUE(cells(termFrame->width(), termHints->base.width, termHints->increment.width)) << termFrame->width();
    EXPECT_TRUE(cells(termFrame->height(), termHints->base.height, termHints->increment.height)) << termFrame->height();
    EXPECT_EQ(session.wmFrame(term.window), termFrame);
}

TEST(X11WindowSystem, ClosedWindowsFailReadsAndWrites)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto gone = session.startTestClient(QStringLiteral("gone"));
    auto victim = session.startTestClient(QStringLiteral("victim"));
    ASSERT_TRUE(gone.window && victim.window) << session.error();
    X11WindowSystem ws(session.display());

    // Closed before: every read is empty and every write fails.
    const xcb_window_t dead = gone.window;
    session.stop(gone.pid);
    ASSERT_TRUE(session.waitFor([&] { return !session.exists(dead); }));
    EXPECT_FALSE(ws.frame(dead));
    EXPECT_FALSE(ws.title(dead));
    EXPECT_FALSE(ws.setFrame(dead, Rect(0, 0, 400, 300)));
    EXPECT_FALSE(ws.activate(dead));
    EXPECT_FALSE(ws.raise(dead));
    EXPECT_FALSE(ws.isMovable(dead));

    // Closed during the write: the WM is held still while our message waits in its queue,
    // the window goes, then the WM runs on. The write must come back failed, not hang.
    ASSERT_TRUE(session.pause(session.windowManagerPid()));
    bool result = true;
    std::thread writer([&] { result = ws.setFrame(victim.window, Rect(200, 200, 500, 400)); });
    const xcb_window_t w = victim.window;
    EXPECT_TRUE(session.waitForRootMessage("_NET_MOVERESIZE_WINDOW", w));
    xcb_destroy_window(session.connection(), w);
    xcb_flush(session.connection());
    ASSERT_TRUE(session.resume(session.windowManagerPid()));
    writer.join();
    EXPECT_FALSE(result);
    EXPECT_FALSE(ws.frame(w));
    // The connection survived the errors: other windows still read.
    EXPECT_TRUE(ws.snapshot().empty() || ws.connected());
}


TEST(X11WindowSystem, ActivateRaisesAndFocusesRaiseOnlyRaises)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto back = session.startTestClient(QStringLiteral("back"), {"--position", "100,100"});
    auto front = session.startTestClient(QStringLiteral("front"), {"--position", "150,150"});
    auto third = session.startTestClient(QStringLiteral("third"), {"--position", "200,200"});
    ASSERT_TRUE(back.window && front.window && third.window) << session.error();
    X11WindowSystem ws(session.display());
    auto top = [&] { return session.topmostMapped(); };
    ASSERT_EQ(top(), session.topLevelOf(third.window));

    ASSERT_TRUE(ws.activate(back.window));
    EXPECT_EQ(top(), session.topLevelOf(back.window)) << "raised: QueryTree puts its frame on top";
    EXPECT_EQ(session.inputFocus(), back.window);
    EXPECT_EQ(ws.focusedWindow(), WindowId(back.window));
    EXPECT_EQ(ws.frontmostPid(), Pid(back.pid));
    EXPECT_EQ(ws.snapshot().front().id, back.window);
    EXPECT_EQ(ws.windowAt(Point{210, 210}), WindowId(back.window)) << "the topmost window under the point";

    ASSERT_TRUE(ws.raise(front.window));
    EXPECT_EQ(top(), session.topLevelOf(front.window));
    EXPECT_EQ(session.inputFocus(), back.window) << "raise leaves the focus alone";
    EXPECT_EQ(ws.windowAt(Point{210, 210}), WindowId(front.window));
    EXPECT_EQ(ws.windowAt(Point{1500, 900}), std::nullopt);

    // A minimized window is listed as such, and activation brings it back.
    const xcb_atom_t changeState = [&] {
        auto* r = xcb_intern_atom_reply(session.connection(),
                                        xcb_intern_atom(session.connection(), 0, 15, "WM_CHANGE_STATE"), nullptr);
        const xcb_atom_t a = r->atom;
        free(r);
        return a;
    }();
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = third.window;
    ev.type = changeState;
    ev.data.data32[0] = 3;   // IconicState
    xcb_send_event(session.connection(), 0, session.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(session.connection());
    ASSERT_TRUE(session.waitFor([&] { return ws.isMinimized(third.window); }));
    const auto list = ws.snapshot();
    const WindowInfo* listed = find(list, third.window);
    ASSERT_NE(listed, nullptr);
    EXPECT_TRUE(listed->minimized);
    EXPECT_FALSE(listed->onScreen);
    ASSERT_TRUE(ws.activate(third.window));
    EXPECT_FALSE(ws.isMinimized(third.window));
    EXPECT_EQ(top(), session.topLevelOf(third.window));
}

TEST(X11WindowSystem, SettableAndMaximizedWindows)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto fixed = session.startTestClient(QStringLiteral("fixed"), {"--min", "300x200", "--max", "300x200", "--size", "300x200"});
    auto locked = session.startTestClient(QStringLiteral("locked"), {"--no-move"});
    auto maximized = session.startTestClient(QStringLiteral("maximized"), {"--maximized", "--size", "400x300"});
    ASSERT_TRUE(fixed.window && locked.window && maximized.window) << session.error();
    X11WindowSystem ws(session.display());

    EXPECT_TRUE(ws.isMovable(fixed.window));
    EXPECT_FALSE(ws.isResizable(fixed.window)) << "minimum size equals maximum size";
    EXPECT_FALSE(ws.isMovable(locked.window)) << "_NET_WM_ALLOWED_ACTIONS lacks move";
    EXPECT_FALSE(ws.isResizable(locked.window));
    EXPECT_TRUE(ws.isMovable(maximized.window));
    EXPECT_TRUE(ws.isResizable(maximized.window));
    EXPECT_FALSE(ws.isFullscreen(maximized.window));
    // The snapshot carries the same answers, so discovery needs no request per window.
    const auto list = ws.snapshot();
    for (const auto& c : {fixed, locked, maximized}) {
        const WindowInfo* w = find(list, c.window);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->movable, ws.isMovable(c.window)) << session.windowTitle(c.window).toStdString();
        EXPECT_EQ(w->resizable, ws.isResizable(c.window)) << session.windowTitle(c.window).toStdString();
    }

    // openbox maximizes it over the whole work area; unmaximize hands it back its own frame.
    const auto big = ws.frame(maximized.window);
    ASSERT_TRUE(big);
    EXPECT_EQ(big->size, (Size{1920, 1080}));
    ASSERT_TRUE(ws.unmaximize(maximized.window));
    const auto restored = ws.frame(maximized.window);
    ASSERT_TRUE(restored);
    EXPECT_NE(restored, big);
    EXPECT_TRUE(ws.unmaximize(maximized.window)) << "no-op when not maximized";
    ASSERT_TRUE(ws.setFrame(maximized.window, Rect(40, 50, 600, 500)));
    EXPECT_EQ(ws.frame(maximized.window), Rect(40, 50, 600, 500));

    // Bad input: a frame that is not finite is refused without touching the window.
    EXPECT_FALSE(ws.setFrame(maximized.window, Rect(std::nan(""), 0, 100, 100)));
    EXPECT_EQ(ws.frame(maximized.window), Rect(40, 50, 600, 500));
}

TEST(X11WindowSystem, WithoutAWindowManagerWritesGoStraightToTheWindow)
{
    test::XSessionOptions options;
    options.windowManager = false;
    XSession session(options);
    ASSERT_TRUE(session.ok()) << session.error();
    auto client = session.startTestClient(QStringLiteral("bare"), {"--position", "10,20", "--size", "300x200"});
    ASSERT_TRUE(client.window) << session.error();
    X11WindowSystem ws(session.display());
    const auto list = ws.snapshot();
    ASSERT_NE(find(list, client.window), nullptr);
    EXPECT_EQ(find(list, client.window)->frame, Rect(10, 20, 300, 200));
    ASSERT_TRUE(ws.setFrame(client.window, Rect(100, 110, 400, 250)));
    EXPECT_EQ(ws.frame(client.window), Rect(100, 110, 400, 250));
    EXPECT_EQ(session.wmFrame(client.window), Rect(100, 110, 400, 250));
}

} // namespace
} // namespace fw
