// The window port on a real server: the test window manager, xterm and our test client.
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XdgApplications.h"
#include "windows/ManagedWindow.h"
#include "x11/XSession.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

namespace fw {
namespace {

using test::XSession;

// The checks read a write's outcome right after the call: each call waits for the WM's answer
// to its barrier, however long a loaded machine keeps the WM from giving it, not only for the
// program's short bound.
struct PatientWindowSystem : X11WindowSystem {
    explicit PatientWindowSystem(const QByteArray& display) : X11WindowSystem(display) { setWriteTimeout(5000); }
};

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
    const auto ext = session.frameExtents(client.window);
    ASSERT_TRUE(ext);
    EXPECT_EQ(find(list, client.window)->frame.size,
              (Size{320.0 + ext->left + ext->right, 240.0 + ext->top + ext->bottom}))
        << "the client size grown by the WM's frame extents";
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

    // The id an application gives its windows names its entry before its class.
    QFile notes(dir.filePath(QStringLiteral("org.example.Notes.desktop")));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("[Desktop Entry]\nType=Application\nName=Notes\nExec=notes\n");
    notes.close();
    ASSERT_EQ(session.run({"xprop", "-id", QString::number(term.window), "-f", "_GTK_APPLICATION_ID", "8u", "-set",
                           "_GTK_APPLICATION_ID", "org.example.Notes"}),
              0);
    const auto later = ws.snapshot();
    const auto identified = find(later, term.window);
    ASSERT_NE(identified, nullptr);
    EXPECT_EQ(identified->applicationId, QStringLiteral("org.example.Notes"));
    EXPECT_EQ(identified->appName, QStringLiteral("Notes"));
    ws.setApplications(nullptr);
}

// Whether a size lies on the grid of base + whole increments.
bool onGrid(double size, double base, double increment)
{
    const double n = (size - base) / increment;
    return n == std::floor(n);
}

// The window's own size hints decide what a write gives, whichever WM runs: some let a window
// below its minimum (icewm, fluxbox) or off its increments (xfwm4, fluxbox).
TEST(X11WindowSystem, FrameWritesReadBackAndKeepTheWindowsOwnSizeHints)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto client = session.startTestClient(QStringLiteral("min client"), {"--size", "500x400", "--min", "400x300"});
    auto stepped = session.startTestClient(QStringLiteral("stepped client"),
                                           {"--size", "404x204", "--base", "4x4", "--inc", "16x10", "--max", "900x600"});
    auto term = session.startXterm(QStringLiteral("stepped"));
    ASSERT_TRUE(client.window && stepped.window && term.window) << session.error();
    PatientWindowSystem ws(session.display());

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

    // Below the minimum: the window keeps its minimum, and the read-back says so.
    const auto ext = session.frameExtents(client.window);
    ASSERT_TRUE(ext);
    const Size minimum{400.0 + ext->left + ext->right, 300.0 + ext->top + ext->bottom};
    auto hints = ws.sizeHints(client.window);
    ASSERT_TRUE(hints && hints->minimum);
    EXPECT_EQ(*hints->minimum, minimum) << "the client minimum as an outer frame size";
    ASSERT_TRUE(ws.setFrame(client.window, Rect(50, 60, 300, 200)));
    EXPECT_EQ(ws.frame(client.window), Rect(Point{50, 60}, minimum));

    // Off the grid: rounded down to base + whole increments, up to the maximum.
    const auto steps = ws.sizeHints(stepped.window);
    ASSERT_TRUE(steps && steps->maximum);
    ASSERT_TRUE(ws.setFrame(stepped.window, Rect(600, 100, steps->base.width + 16 * 20 + 9, steps->base.height + 10 * 20 + 7)));
    EXPECT_EQ(ws.frame(stepped.window), Rect(600, 100, steps->base.width + 16 * 20, steps->base.height + 10 * 20));
    EXPECT_EQ(session.clientSize(stepped.window), (Size{4 + 16 * 20, 4 + 10 * 20}));
    ASSERT_TRUE(ws.setSize(stepped.window, Size{2000, 2000}));
    EXPECT_EQ(session.clientSize(stepped.window), (Size{900, 594})) << "the maximum, then down to the grid";
    EXPECT_EQ(ws.frame(stepped.window), session.wmFrame(stepped.window));

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
    EXPECT_TRUE(onGrid(termFrame->width(), termHints->base.width, termHints->increment.width)) << termFrame->width();
    EXPECT_TRUE(onGrid(termFrame->height(), termHints->base.height, termHints->increment.height)) << termFrame->height();
    EXPECT_EQ(session.wmFrame(term.window), termFrame);
}

// A frame on the window's cell grid at `origin`, `columns` and `rows` cells past its base.
Rect onGrid(X11WindowSystem& ws, WindowId id, Point origin, int columns, int rows)
{
    const SizeHints h = ws.sizeHints(id).value_or(SizeHints{});
    return Rect(origin, Size{h.base.width + columns * h.increment.width, h.base.height + rows * h.increment.height});
}

// Frames written by a configure request on the client, as under a window manager without
// _NET_MOVERESIZE_WINDOW (pekwm): the frame lands where asked whatever the client's gravity, and
// where the message as the window manager lists it would land it.
TEST(X11WindowSystem, ConfigureRequestsLandTheFrameWhereAskedWhateverTheGravity)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    // xterm states SouthEast gravity for a geometry counted from the bottom right.
    const auto northWest = session.startXterm(u"north west"_qs, {"-geometry", "80x24+100+100"});
    const auto southEast = session.startXterm(u"south east"_qs, {"-geometry", "80x24-100-100"});
    ASSERT_TRUE(northWest.window && southEast.window) << session.error();
    PatientWindowSystem ws(session.display());
    PatientWindowSystem byMessage(session.display());
    ws.setWritePath(X11WindowSystem::WritePath::ConfigureRequest);
    byMessage.setWritePath(X11WindowSystem::WritePath::Message);
    const bool messageListed = session.atomNames(session.root(), "_NET_SUPPORTED").contains(u"_NET_MOVERESIZE_WINDOW"_qs);

    for (const xcb_window_t w : {northWest.window, southEast.window}) {
        const std::string name = session.windowTitle(w).toStdString();
        const Rect target = onGrid(ws, w, Point{240, 180}, 70, 20);
        ASSERT_TRUE(ws.setFrame(w, target)) << name;
        EXPECT_EQ(ws.frame(w), target) << name;
        EXPECT_EQ(session.wmFrame(w), target) << name << ": the frame's top-left and size as asked";
        // A move alone keeps the size, a resize alone the top-left corner.
        ASSERT_TRUE(ws.setPosition(w, Point{600, 300})) << name;
        EXPECT_EQ(session.wmFrame(w), Rect(Point{600, 300}, target.size)) << name;
        const Rect smaller = onGrid(ws, w, Point{600, 300}, 50, 12);
        ASSERT_TRUE(ws.setSize(w, smaller.size)) << name;
        EXPECT_EQ(session.wmFrame(w), smaller) << name;
        // The message, where the window manager lists it, lands the same frame.
        if (messageListed) {
            const Rect other = onGrid(ws, w, Point{320, 260}, 64, 18);
            ASSERT_TRUE(byMessage.setFrame(w, other)) << name;
            const auto landed = session.wmFrame(w);
            ASSERT_TRUE(ws.setFrame(w, target) && ws.setFrame(w, other)) << name;
            EXPECT_EQ(session.wmFrame(w), landed) << name << ": the message and the request agree";
        }
    }
    // Each moved again by as much as its decoration, after the other gravity's answers: a
    // corner learnt under one gravity and sent for the other would land the frame where it
    // stood (so a toolkit's window, whose gravity changes as it is moved, stayed put).
    for (const xcb_window_t w : {northWest.window, southEast.window}) {
        const std::string name = session.windowTitle(w).toStdString();
        const auto now = session.wmFrame(w);
        const auto client = session.clientSize(w);
        ASSERT_TRUE(now && client) << name;
        const Rect moved(Point{now->x() + now->width() - client->width, now->y() + now->height() - client->height},
                         now->size);
        ASSERT_TRUE(ws.setPosition(w, moved.origin)) << name;
        EXPECT_EQ(session.wmFrame(w), moved) << name;
    }
}

TEST(X11WindowSystem, ClosedWindowsFailReadsAndWrites)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto gone = session.startTestClient(QStringLiteral("gone"));
    auto victim = session.startTestClient(QStringLiteral("victim"));
    ASSERT_TRUE(gone.window && victim.window) << session.error();
    PatientWindowSystem ws(session.display());

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
    // the window goes, then the WM runs on. The write must come back failed, not hang. The
    // message is sent whether or not the WM takes it (pekwm ignores it), so that it shows.
    ws.setWritePath(X11WindowSystem::WritePath::Message);
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


// A session with three test clients, each mapped over the one before, and the port over it.
struct ThreeWindows {
    ThreeWindows()
    {
        if (!session.ok())
            return;
        back = session.startTestClient(QStringLiteral("back"), {"--position", "100,100"});
        front = session.startTestClient(QStringLiteral("front"), {"--position", "150,150"});
        third = session.startTestClient(QStringLiteral("third"), {"--position", "200,200"});
    }
    bool ok() const { return session.ok() && back.window && front.window && third.window; }
    XSession session;
    XSession::Client back, front, third;
    PatientWindowSystem ws{session.display()};
};

// Asks the WM to minimize a window, as a taskbar does.
void iconify(XSession& session, xcb_window_t w)
{
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
    ev.window = w;
    ev.type = changeState;
    ev.data.data32[0] = 3;   // IconicState
    xcb_send_event(session.connection(), 0, session.root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(session.connection());
}

TEST(X11WindowSystem, ActivateRaisesAndFocusesRaiseBringsToTheFront)
{
    ThreeWindows w;
    ASSERT_TRUE(w.ok()) << w.session.error();
    XSession& session = w.session;
    X11WindowSystem& ws = w.ws;
    auto top = [&] { return session.topmostMapped(); };
    // The last one mapped comes to the front once the WM has stacked it (fluxbox may list it
    // first; KWin raises a new window a moment after it has framed it).
    ASSERT_TRUE(session.waitFor([&] { return top() == session.topLevelOf(w.third.window); }));

    ASSERT_TRUE(ws.activate(w.back.window));
    EXPECT_EQ(top(), session.topLevelOf(w.back.window)) << "raised: QueryTree puts its frame on top";
    EXPECT_EQ(session.inputFocus(), w.back.window);
    // The active window property can follow the input focus a moment later (fluxbox).
    EXPECT_TRUE(session.waitFor([&] {
        return ws.focusedWindow() == WindowId(w.back.window) && ws.frontmostPid() == Pid(w.back.pid);
    })) << "active " << ws.focusedWindow().value_or(0) << ", frontmost pid " << ws.frontmostPid().value_or(0);
    EXPECT_EQ(ws.snapshot().front().id, w.back.window);
    EXPECT_EQ(ws.windowAt(Point{210, 210}), WindowId(w.back.window)) << "the topmost window under the point";

    // Raised whether or not the WM honours restack requests (fluxbox ignores them).
    ASSERT_TRUE(ws.raise(w.front.window));
    EXPECT_EQ(top(), session.topLevelOf(w.front.window));
    EXPECT_EQ(ws.windowAt(Point{210, 210}), WindowId(w.front.window));
    EXPECT_EQ(ws.windowAt(Point{1500, 900}), std::nullopt);
    // Just past the front window's right edge, over the third one: a press there lands on the
    // front window where its window manager's frame takes it (metacity's resize border outside
    // the visible frame while it composites, KWin's input-only border window), on the third
    // elsewhere.
    const auto frontFrame = ws.frame(w.front.window);
    ASSERT_TRUE(frontFrame);
    const bool outerBorder = (session.windowManager() == QLatin1String("metacity") && session.compositing())
        || session.windowManager() == QLatin1String("kwin");
    EXPECT_EQ(ws.windowAt(Point{frontFrame->maxX() + 3, frontFrame->midY()}),
              WindowId(outerBorder ? w.front.window : w.third.window));
    ASSERT_TRUE(ws.raise(w.front.window)) << "already in front";
    EXPECT_EQ(top(), session.topLevelOf(w.front.window));

    // A minimized window is listed as such, and activation brings it back.
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm does not minimize windows";
    iconify(session, w.third.window);
    ASSERT_TRUE(session.waitFor([&] { return ws.isMinimized(w.third.window); }));
    const auto list = ws.snapshot();
    const WindowInfo* listed = find(list, w.third.window);
    ASSERT_NE(listed, nullptr);
    EXPECT_TRUE(listed->minimized);
    EXPECT_FALSE(listed->onScreen);
    ASSERT_TRUE(ws.activate(w.third.window));
    EXPECT_FALSE(ws.isMinimized(w.third.window));
    EXPECT_EQ(top(), session.topLevelOf(w.third.window));
}

// Where the WM restacks on request, a raise leaves the focus where it was.
TEST(X11WindowSystem, RaiseLeavesTheFocusAloneUnderOpenboxIcewmAndMetacity)
{
    if (!QStringList{"openbox", "icewm", "metacity"}.contains(XSession::testWindowManager()))
        GTEST_SKIP() << "xfwm4 focuses every window it raises; fluxbox raises only by activation";
    ThreeWindows w;
    ASSERT_TRUE(w.ok()) << w.session.error();
    XSession& session = w.session;
    X11WindowSystem& ws = w.ws;
    ASSERT_TRUE(ws.activate(w.back.window));
    ASSERT_TRUE(ws.raise(w.front.window));
    EXPECT_EQ(session.topmostMapped(), session.topLevelOf(w.front.window));
    EXPECT_EQ(session.inputFocus(), w.back.window);
}

// xfwm4's policy: it has no _NET_RESTACK_WINDOW, and the client's own restack request both
// raises and focuses.
TEST(X11WindowSystem, Xfwm4FocusesTheWindowsItRaises)
{
    if (XSession::testWindowManager() != QLatin1String("xfwm4"))
        GTEST_SKIP() << "xfwm4's policy";
    ThreeWindows w;
    ASSERT_TRUE(w.ok()) << w.session.error();
    XSession& session = w.session;
    X11WindowSystem& ws = w.ws;
    EXPECT_FALSE(session.atomNames(session.root(), "_NET_SUPPORTED").contains(QStringLiteral("_NET_RESTACK_WINDOW")));
    ASSERT_TRUE(ws.activate(w.back.window));
    ASSERT_TRUE(ws.raise(w.front.window));
    EXPECT_EQ(session.topmostMapped(), session.topLevelOf(w.front.window));
    EXPECT_TRUE(session.waitFor([&] { return session.inputFocus() == w.front.window; }));
}

// fluxbox lists _NET_RESTACK_WINDOW but ignores it (and the client's own restack request): the
// raise finds the window still behind in the server's stacking and activates it instead.
TEST(X11WindowSystem, FluxboxIgnoresRestackRequestsSoARaiseActivates)
{
    if (XSession::testWindowManager() != QLatin1String("fluxbox"))
        GTEST_SKIP() << "fluxbox's policy";
    ThreeWindows w;
    ASSERT_TRUE(w.ok()) << w.session.error();
    XSession& session = w.session;
    X11WindowSystem& ws = w.ws;
    ASSERT_TRUE(ws.activate(w.third.window));

    // The request alone, as a pager sends it: nothing moves.
    const std::uint32_t above = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(session.connection(), w.back.window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
    xcb_flush(session.connection());
    ASSERT_TRUE(session.syncWithWindowManager());
    EXPECT_EQ(session.topmostMapped(), session.topLevelOf(w.third.window));

    ASSERT_TRUE(ws.raise(w.back.window));
    EXPECT_EQ(session.topmostMapped(), session.topLevelOf(w.back.window));
    EXPECT_EQ(session.inputFocus(), w.back.window) << "raised by activation";
}

// Writes, raises and activations end when the WM has handled them, not at the time-out: every
// WM answers the barrier (icewm answers no frame-extents request for override-redirect windows,
// fluxbox none at all). A write that changes nothing does not wait at all.
TEST(X11WindowSystem, WritesRaisesAndActivationsEndOnTheWindowManagersAnswer)
{
    ThreeWindows w;
    ASSERT_TRUE(w.ok()) << w.session.error();
    XSession& session = w.session;
    X11WindowSystem& ws = w.ws;
    ws.setWriteTimeout(60000);
    // Runs the calls on a thread and waits (on X events) until they are done: far less than
    // one time-out when the WM answers.
    auto endsSoon = [&](const std::function<void()>& calls) {
        std::atomic<bool> done = false;
        std::thread t([&] { calls(); done = true; });
        const bool ended = session.waitFor([&] { return done.load(); }, 15000);
        if (!ended)
            session.resume(session.windowManagerPid());
        t.join();
        return ended;
    };
    EXPECT_TRUE(endsSoon([&] {
        EXPECT_TRUE(ws.setFrame(w.back.window, Rect(300, 300, 500, 400)));
        EXPECT_TRUE(ws.setPosition(w.back.window, Point{320, 310}));
        EXPECT_TRUE(ws.setSize(w.back.window, Size{520, 420}));
        EXPECT_TRUE(ws.raise(w.back.window));
        EXPECT_TRUE(ws.activate(w.front.window));
        EXPECT_TRUE(ws.raise(w.third.window));
    }));
    EXPECT_EQ(ws.frame(w.back.window), Rect(320, 310, 520, 420));
    EXPECT_EQ(session.topmostMapped(), session.topLevelOf(w.third.window));

    // With the WM held still, a write of the frame the window already has returns at once.
    const auto now = ws.frame(w.back.window);
    ASSERT_TRUE(now);
    ASSERT_TRUE(session.pause(session.windowManagerPid()));
    EXPECT_TRUE(endsSoon([&] {
        EXPECT_TRUE(ws.setFrame(w.back.window, *now));
        EXPECT_TRUE(ws.setPosition(w.back.window, now->origin));
    }));
    ASSERT_TRUE(session.resume(session.windowManagerPid()));
}

// A configure request the window manager answers only after the bound leaves the frame to it:
// the server still shows the frame from before, and an offset measured against that would move
// the window by as much again once both requests arrive. (pekwm and metacity read such a request
// by another gravity or frame, evilwm its corner as the client's inside its border, as KWin does
// with the request it is never sent since it lists _NET_MOVERESIZE_WINDOW; the port measures
// that only on an answered write.)
TEST(X11WindowSystem, AConfigureRequestAnsweredLateLandsWhereAsked)
{
    if (QStringList{"pekwm", "metacity", "kwin", "evilwm"}.contains(XSession::testWindowManager()))
        GTEST_SKIP() << "the first request lands off by the decoration here";
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto client = session.startTestClient(QStringLiteral("late"), {"--position", "100,100", "--size", "300x200"});
    ASSERT_TRUE(client.window) << session.error();
    X11WindowSystem ws(session.display());
    ws.setWritePath(X11WindowSystem::WritePath::ConfigureRequest);
    const auto before = ws.frame(client.window);
    ASSERT_TRUE(before);
    const Rect target(before->x() + 6, before->y() + 8, before->width(), before->height());

    ASSERT_TRUE(session.pause(session.windowManagerPid()));
    const bool wrote = ws.setFrame(client.window, target);
    ASSERT_TRUE(session.resume(session.windowManagerPid()));
    EXPECT_TRUE(wrote);
    EXPECT_TRUE(session.waitFor([&] { return session.wmFrame(client.window) != before; }));
    EXPECT_TRUE(session.syncWithWindowManager());
    EXPECT_EQ(session.wmFrame(client.window), target);
}

TEST(X11WindowSystem, SettableAndMaximizedWindows)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto fixed = session.startTestClient(QStringLiteral("fixed"), {"--min", "300x200", "--max", "300x200", "--size", "300x200"});
    auto locked = session.startTestClient(QStringLiteral("locked"), {"--no-move"});
    auto maximized = session.startTestClient(QStringLiteral("maximized"), {"--maximized", "--size", "400x300"});
    ASSERT_TRUE(fixed.window && locked.window && maximized.window) << session.error();
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm does not take a state a window asks for before it is mapped";
    PatientWindowSystem ws(session.display());

    EXPECT_TRUE(ws.isMovable(fixed.window));
    EXPECT_FALSE(ws.isResizable(fixed.window)) << "minimum size equals maximum size";
    // Motif hints ask for no move and no resize; WMs differ in whether they honour them (icewm
    // does not, metacity only for moving). The answers follow the actions the WM allows.
    // A WM that states no allowed actions (pekwm) forbids nothing.
    const QStringList allowed = session.atomNames(locked.window, "_NET_WM_ALLOWED_ACTIONS");
    EXPECT_EQ(ws.isMovable(locked.window), allowed.isEmpty() || allowed.contains(QStringLiteral("_NET_WM_ACTION_MOVE")));
    EXPECT_EQ(ws.isResizable(locked.window), allowed.isEmpty() || allowed.contains(QStringLiteral("_NET_WM_ACTION_RESIZE")));
    if (XSession::testWindowManager() == QLatin1String("openbox")) {
        EXPECT_FALSE(ws.isMovable(locked.window)) << "openbox honours the Motif hints";
        EXPECT_FALSE(ws.isResizable(locked.window));
    }

    // A maximized window can be managed: writes leave the maximized state first (xfwm4 takes
    // the resize action away while a window is maximized). The client wrote the state itself
    // before it mapped: the manager has maximized it once its frame spans the work area
    // (fluxbox shows it at its own size first).
    ASSERT_TRUE(session.waitFor([&] {
        const auto frame = session.wmFrame(maximized.window);
        const auto area = session.workArea();
        return frame && area && frame->width() >= area->width()
            && session.atomNames(maximized.window, "_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_VERT"));
    })) << toString(session.wmFrame(maximized.window).value_or(Rect())).toStdString();
    EXPECT_TRUE(ws.isMovable(maximized.window));
    EXPECT_TRUE(ws.isResizable(maximized.window));
    EXPECT_FALSE(ws.isFullscreen(maximized.window));
    EXPECT_TRUE(ManagedWindow::make(ws, maximized.window).has_value());
    // The snapshot carries the same answers, so discovery needs no request per window.
    const auto list = ws.snapshot();
    for (const auto& c : {fixed, locked, maximized}) {
        const WindowInfo* w = find(list, c.window);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->movable, ws.isMovable(c.window)) << session.windowTitle(c.window).toStdString();
        EXPECT_EQ(w->resizable, ws.isResizable(c.window)) << session.windowTitle(c.window).toStdString();
    }

    // Maximized over the work area; unmaximize leaves that state, and the frame then takes writes.
    const auto big = ws.frame(maximized.window);
    ASSERT_TRUE(big);
    EXPECT_EQ(big, session.wmFrame(maximized.window));
    EXPECT_GE(big->width(), 1920);
    ASSERT_TRUE(ws.unmaximize(maximized.window));
    EXPECT_FALSE(session.atomNames(maximized.window, "_NET_WM_STATE").contains(QStringLiteral("_NET_WM_STATE_MAXIMIZED_VERT")));
    EXPECT_TRUE(ws.unmaximize(maximized.window)) << "no-op when not maximized";
    ASSERT_TRUE(ws.setFrame(maximized.window, Rect(40, 50, 600, 500)));
    EXPECT_EQ(ws.frame(maximized.window), Rect(40, 50, 600, 500));

    // Bad input: a frame that is not finite is refused without touching the window.
    EXPECT_FALSE(ws.setFrame(maximized.window, Rect(std::nan(""), 0, 100, 100)));
    EXPECT_EQ(ws.frame(maximized.window), Rect(40, 50, 600, 500));
}

// A session with no window manager.
test::XSessionOptions withoutWindowManager()
{
    test::XSessionOptions options;
    options.windowManager = false;
    return options;
}

// A window manager that states no frame extents (pekwm) frames the client 4 px to the sides and
// bottom and 20 px above, here played by the test, and moves the frame on and on from a
// connection of its own while the port reads the frame: every read has the frame's size.
TEST(X11WindowSystem, AFrameReadWhileTheWindowManagerMovesItKeepsItsSize)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("its session runs no window manager"))
        GTEST_SKIP() << *why;
    XSession session(withoutWindowManager());
    ASSERT_TRUE(session.ok()) << session.error();
    auto client = session.startTestClient(QStringLiteral("moved"), {"--position", "100,100", "--size", "300x200"});
    ASSERT_TRUE(client.window) << session.error();
    xcb_connection_t* c = session.connection();
    const xcb_window_t frame = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, frame, session.root(), 96, 80, 308, 224, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_reparent_window(c, client.window, frame, 4, 20);
    xcb_map_window(c, frame);
    ASSERT_TRUE(session.waitFor([&] { return session.topLevelOf(client.window) == frame && session.isViewable(client.window); }));
    PatientWindowSystem ws(session.display());
    ASSERT_EQ(ws.frame(client.window), Rect(96, 80, 308, 224));

    std::atomic<bool> done = false;
    std::thread mover([&] {
        xcb_connection_t* m = xcb_connect(session.display().constData(), nullptr);
        for (std::uint32_t i = 0; !done; ++i) {
            const std::uint32_t at[2] = {100 + i % 300, 80 + (i * 7) % 400};
            xcb_configure_window(m, frame, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, at);
            free(xcb_get_input_focus_reply(m, xcb_get_input_focus(m), nullptr));
        }
        xcb_disconnect(m);
    });
    int reads = 0, wrong = 0;
    for (; reads < 400; ++reads) {
        const auto f = ws.frame(client.window);
        if (!f || f->size != Size{308, 224})
            ++wrong;
    }
    done = true;
    mover.join();
    EXPECT_EQ(wrong, 0) << "of " << reads << " reads";
}

TEST(X11WindowSystem, WithoutAWindowManagerWritesGoStraightToTheWindow)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("its session runs no window manager"))
        GTEST_SKIP() << *why;
    XSession session(withoutWindowManager());
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
