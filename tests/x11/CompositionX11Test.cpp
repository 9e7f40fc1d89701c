// A composition on a real server (Xvfb, openbox): a layout naming xterm and the test client,
// both installed as desktop entries in the session's own XDG_DATA_HOME, with only xterm
// running. xterm is placed at once on its cell grid; the program launches the test client
// from its entry (field codes dropped, detached in a session of its own) and places its
// window when it appears. Then an entry id that does not exist gives only its "isn't
// installed" notice, and a layout stopped by another action puts the windows back and says
// so. A stack of an xterm and a window sizing in other steps survives a switch to Three
// columns whole. And the user's own xterm entry beside the system's (one class for both): the
// xterm it opens is its own, also after the windows changed places and the launches are
// forgotten (a restart), so it is opened once and keeps its region. An app running as its
// entry's command runs it, named by no class the entry knows, is found by its program: a layout
// takes its window and starts nothing. An app that runs in a
// terminal opens in the user's terminal, whose window takes its region; the terminal holds
// none of our descriptors; without a terminal the notice says so; beside an open
// xfce4-terminal, which serves new windows itself, and beside an open gnome-terminal, whose
// server shows every window, the app's terminal window takes its region.
// In the program, a click on a layout card in the Layout Gallery, made the moment the pointer
// jumps there, applies the layout with its apps.
#include "layout/ScreenGeometry.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/XdgApplications.h"
#include "snap/AppliedLayouts.h"
#include "snap/PickerGeometry.h"
#include "stacks/StackPresenter.h"
#include "x11/CoordinatorRig.h"
#include "x11/ProcessDescriptors.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/socket.h>
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

// The entries of xterm and of the test client, which opens its window with the title.
bool writeXtermAndTestClient(const QString& folder, const QByteArray& title)
{
    const QByteArray client = QFile::encodeName(XSession::testClientPath());
    return writeEntry(folder, u"xterm"_qs, "Name=XTerm\nExec=xterm\nStartupWMClass=XTerm\n")
        && writeEntry(folder, u"org.example.TestClient"_qs,
                      "Name=Test Client\nTryExec=" + client + "\nExec=" + client + " --title \"" + title
                          + "\" --size 400x300 %U\nStartupWMClass=FwTestClient\n");
}

// Two regions side by side.
RegionTree halvesTree()
{
    return RegionTree::split(SplitAxis::horizontal, 0.5, RegionTree::leaf(0), RegionTree::leaf(1));
}

// Whether the window's frame is the region's, on the window's cell grid.
bool framedIn(XSession& session, CoordinatorRig& rig, xcb_window_t window, const Rect& region)
{
    const auto frame = session.wmFrame(window);
    return frame && arrivedAt(*frame, region, rig.ws.sizeHints(window)->increment, 1.0);
}

// No task of the composition runs, and nothing is being moved.
bool compositionSettled(CoordinatorRig& rig)
{
    return rig.coordinator->context().tasks.taskCount() == 0 && !rig.state.interaction.mutating;
}

TEST(CompositionX11, XtermIsPlacedAtOnceAndTheLaunchedTestClientWhenItsWindowAppears)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QString folder = session.directory() + u"/data/applications"_qs;
    ASSERT_TRUE(QDir().mkpath(folder) && writeXtermAndTestClient(folder, "late client"));
    auto term = session.startXterm(u"term"_qs, {"-geometry", "80x24+600+300"});
    ASSERT_TRUE(term.window) << session.error();

    SessionApp app(session);
    CoordinatorRig rig(session);
    rig.coordinator->context().applications = std::make_shared<XdgApplications>(QStringList{folder}, u"C"_qs);
    const ScreenInfo screen = rig.screens.screens().front();
    const RegionTree halves = halvesTree();
    const SnapLayout pair{u"user-1"_qs, u"Pair"_qs, halves,
                          SnapLayout::AppMap{{0, {u"xterm"_qs}}, {1, {u"org.example.TestClient"_qs}}}};
    const auto frames = regionFrames(pair, screen);
    const auto termWindow = ManagedWindow::make(rig.ws, term.window);
    ASSERT_TRUE(termWindow);
    auto placed = [&](xcb_window_t window, RegionNumber region) {
        return framedIn(session, rig, window, frames.at(region));
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

    // Another action begins while a layout moves them (here what a press on a window does):
    // the windows go back, and the notice says why.
    const SnapLayout swapped{u"user-3"_qs, u"Swapped"_qs, pair.tree,
                             SnapLayout::AppMap{{0, {u"org.example.TestClient"_qs}}, {1, {u"xterm"_qs}}}};
    rig.coordinator->startLayoutApplication(swapped, screen);
    ASSERT_TRUE(session.waitFor([&] { return rig.state.interaction.mutating; }, 10000));
    rig.coordinator->endInteraction(true);
    ASSERT_TRUE(session.waitFor([&] { return compositionSettled(rig); }, 10000));
    EXPECT_EQ(rig.notices.mid(2), QStringList{u"Swapped stopped as another action began, and its windows went back."_qs});
    EXPECT_TRUE(session.waitFor([&] { return placed(term.window, 0) && placed(late, 1); }, 10000));
    ::kill(pid_t(*pid), SIGTERM);
}

// The program with a layout of the user's naming xterm and the test client, xterm running:
// Ctrl+Alt+Z opens the Layout Gallery, and the pointer jumps onto the layout's card and clicks
// at once, as a touch tap or a script does. The layout is applied with its apps: xterm goes to
// its region and the test client, launched, to its own when its window appears.
TEST(CompositionX11, AClickOnALayoutCardWithoutMovingThereFirstAppliesTheLayoutWithItsApps)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QString folder = session.directory() + u"/data/applications"_qs;
    ASSERT_TRUE(QDir().mkpath(folder) && writeXtermAndTestClient(folder, "tapped client"));
    auto term = session.startXterm(u"term"_qs, {"-geometry", "80x24+600+300"});
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window));

    SessionApp app(session);
    X11Screens screens;
    ASSERT_FALSE(screens.screens().empty());
    const ScreenInfo screen = screens.screens().front();
    const SnapLayout pair{u"user-1"_qs, u"Pair"_qs, halvesTree(),
                          SnapLayout::AppMap{{0, {u"xterm"_qs}}, {1, {u"org.example.TestClient"_qs}}}};
    const QJsonObject custom{{displayKey(screen), QJsonArray{pair.toJson()}}};
    const pid_t program = test::startProgram(session, {{u"customLayouts.v1"_qs, custom}});
    ASSERT_TRUE(program) << session.error() << test::programLog(session).toStdString();

    // Where the gallery shows Pair's card: the menus' layouts, the built-ins first.
    std::vector<SnapLayout> cards = SnapLayout::builtIns();
    cards.push_back(pair);
    const Rect visible = topLeftVisibleFrame(screen);
    const double width = pickerWidth(visible);
    const PickerGeometry geometry = PickerGeometry::make(cards, true, width);
    const Rect panel = pickerFrame(visible, width, geometry.height);
    const Rect button = *geometry.cards.back().button;
    const Point card{panel.minX() + button.midX(), panel.minY() + button.midY()};

    test::chord(session, {test::ControlL, test::AltL, test::LetterZ});
    ASSERT_TRUE(session.waitFor([&] { return test::programPanelAt(session, panel); }, 10000))
        << "no gallery at " << toString(panel).toStdString() << ": " << test::programPanels(session);
    // From the bottom of the display onto the card in one motion, and the click.
    const int from = int(visible.maxY()) - 10;
    session.warpPointer(int(card.x), from);
    session.moveRelative(0, int(card.y) - from);
    session.pressButton(1);
    session.releaseButton(1);

    const auto frames = regionFrames(pair, screen);
    const auto placed = [&](xcb_window_t window, RegionNumber region) {
        const auto frame = session.wmFrame(window);
        const auto steps = session.sizeSteps(window);
        return frame && arrivedAt(*frame, frames.at(region), steps ? steps->increment : Size{}, 1.0);
    };
    const xcb_window_t late = session.waitForWindow(u"tapped client"_qs, 0, 10000);
    ASSERT_NE(late, XCB_NONE) << "the test client was not launched\n" << test::programLog(session).toStdString();
    EXPECT_TRUE(session.waitFor([&] { return placed(late, 1) && placed(term.window, 0); }, 15000))
        << "the test client at " << toString(session.wmFrame(late).value_or(Rect())).toStdString() << ", xterm at "
        << toString(session.wmFrame(term.window).value_or(Rect())).toStdString() << "\n"
        << test::programLog(session).toStdString();
    EXPECT_TRUE(test::programLog(session).contains(u"Opening Test Client. Each window goes to its spot when it appears."_qs))
        << test::programLog(session).toStdString();
    if (const auto pid = X11WindowSystem(session.display()).pid(late); pid && *pid > 0)
        ::kill(pid_t(*pid), SIGTERM);
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

// An xterm in Halves' left; in its right a window whose height steps by 100 from a base that
// leaves it 50 short of the region, and an xterm short of it by part of a cell in front: one
// stack with its badge, the two frames far apart. Switched to Three columns as the layout
// keys and the gallery switch, the stack lands whole in one column, its front in front, with
// its badge; the notice counts it once, and no window moves that it does not count.
TEST(CompositionX11, AStackOfWindowsWithDifferentSizeStepsSwitchedToThreeColumnsStaysWholeInOneColumn)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto left = session.startXterm(u"sa"_qs, {"-geometry", "80x24+100+100"});
    auto front = session.startXterm(u"sb"_qs, {"-geometry", "80x24+1000+100"});
    ASSERT_TRUE(left.window && front.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    const ScreenInfo screen = rig.screens.screens().front();
    const SnapLayout& halves = SnapLayout::builtIns().front();
    const SnapLayout& thirds = *SnapLayout::builtInWithId(u"thirds"_qs);
    const Rect right = regionFrames(halves, screen).at(1);
    const auto extents = session.frameExtents(front.window);
    ASSERT_TRUE(extents);
    const int inside = int(right.height()) - extents->top - extents->bottom;
    auto steps = session.startTestClient(
        u"steps"_qs, {u"--size"_qs, u"400x%1"_qs.arg((inside - 50) % 100 + 200), u"--inc"_qs, u"1x100"_qs,
                      u"--base"_qs, u"1x%1"_qs.arg((inside - 50) % 100)});
    ASSERT_TRUE(steps.window) << session.error();
    const std::vector<std::pair<xcb_window_t, RegionNumber>> placing{
        {left.window, 0}, {steps.window, 1}, {front.window, 1}};
    for (const auto& [window, region] : placing) {
        const auto done = rig.placeWindow(window, region, halves, screen);
        ASSERT_TRUE(session.waitFor([&] { return done->has_value(); }, 10000) && **done)
            << rig.notices.join(u" | "_qs).toStdString();
    }
    const auto frontFrame = rig.ws.frame(front.window), stepsFrame = rig.ws.frame(steps.window);
    ASSERT_TRUE(frontFrame && stepsFrame);
    ASSERT_GT(std::abs(frontFrame->height() - stepsFrame->height()), kSameFrameTolerance)
        << toString(*frontFrame).toStdString() << " and " << toString(*stepsFrame).toStdString();

    rig.stacks.start();
    auto* presenter = rig.stacks.presenter();
    ASSERT_TRUE(presenter);
    // One stack of the two, its badge shown on the front xterm.
    const auto wholeWithBadge = [&] {
        rig.stacks.refresh(true);
        const auto& stacks = rig.stacks.presented();
        const auto& badges = presenter->badges();
        return stacks.size() == 1 && stacks[0].members.size() == 2 && badges.size() == 1
            && badges.begin()->second.front.element == front.window && badges.begin()->second.panel->isVisible();
    };
    // What the stacks and badges are when a wait for them fails.
    const auto stackState = [&] {
        std::string out;
        for (const auto& stack : rig.stacks.presented()) {
            out += "stack of";
            for (const auto& m : stack.members)
                out += " " + std::to_string(m.element) + "@" + toString(session.wmFrame(m.element).value_or(Rect())).toStdString();
            out += "; ";
        }
        for (const auto& [key, badge] : presenter->badges())
            out += "badge on " + std::to_string(badge.front.element) + (badge.panel->isVisible() ? " shown" : " hidden") + "; ";
        out += "last pass: " + QJsonDocument(rig.stacks.stackDiagnostics()).toJson(QJsonDocument::Compact).toStdString() + "; ";
        out += std::string("mutating ") + (rig.state.interaction.mutating ? "yes" : "no") + ", window interaction "
            + (rig.state.interaction.windowInteraction ? "yes" : "no") + "; ";
        return out + "front " + std::to_string(front.window) + ", steps " + std::to_string(steps.window) + " at "
            + toString(session.wmFrame(steps.window).value_or(Rect())).toStdString() + ", xterm at "
            + toString(session.wmFrame(front.window).value_or(Rect())).toStdString();
    };
    ASSERT_TRUE(session.waitFor(wholeWithBadge)) << "no stack with its badge in the right half: " << stackState();

    rig.coordinator->startLayoutApplication(thirds, screen);
    ASSERT_TRUE(session.waitFor([&] {
        const auto group = rig.coordinator->groups().find(displayKey(screen));
        return group != rig.coordinator->groups().end() && group->second.layout.id == thirds.id
            && rig.coordinator->context().tasks.taskCount() == 0;
    }, 10000)) << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_EQ(rig.notices, QStringList{u"Arranged 2 windows. 1 space remains available."_qs});
    const auto frames = regionFrames(thirds, screen);
    const auto column = [&](xcb_window_t window) -> std::optional<RegionNumber> {
        const auto frame = session.wmFrame(window);
        for (const auto& [region, target] : frames) {
            if (frame && arrivedAt(*frame, target, rig.ws.sizeHints(window)->increment, 1.0))
                return region;
        }
        return std::nullopt;
    };
    const auto stackColumn = column(front.window);
    ASSERT_TRUE(stackColumn) << "the front xterm is in no column";
    EXPECT_EQ(column(steps.window), stackColumn) << "the stack was split";
    const auto leftColumn = column(left.window);
    EXPECT_TRUE(leftColumn && leftColumn != stackColumn);
    EXPECT_EQ(rig.frontOf(front.window, steps.window), front.window) << "the front went behind";
    EXPECT_TRUE(session.waitFor(wholeWithBadge)) << "the stack or its badge is gone: " << stackState();
    rig.stacks.stop();
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
    const RegionTree halves = halvesTree();
    const SnapLayout pair{u"user-1"_qs, u"Terminals"_qs, halves,
                          SnapLayout::AppMap{{0, {u"xterm"_qs}}, {1, {u"debian-xterm"_qs}}}};
    const auto frames = regionFrames(pair, screen);
    auto placed = [&](xcb_window_t window, RegionNumber region) {
        return framedIn(session, rig, window, frames.at(region));
    };
    auto settled = [&] { return compositionSettled(rig); };

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

// As GIMP runs when its entry's Exec starts it: its class is its argv[0]'s, the entry names no
// class, and nothing tells the launch. Here the class is not even that: only the program is.
TEST(CompositionX11, AnAppStartedAsItsEntrysCommandIsNamedByItsEntryAndTakenByALayout)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QString folder = session.directory() + u"/data/applications"_qs;
    const QString program = session.directory() + u"/bin/paint-2.0"_qs;
    ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(session.directory() + u"/bin"_qs)
                && QFile::link(XSession::testClientPath(), program));
    ASSERT_TRUE(writeEntry(folder, u"org.example.Painter"_qs,
                           "Name=Painter\nExec=" + QFile::encodeName(program) + " %U\nTryExec=" + QFile::encodeName(program) + "\n"));
    const pid_t painter = session.spawn({program, u"--title"_qs, u"painting"_qs, u"--class"_qs, u"canvas,Canvas"_qs,
                                         u"--size"_qs, u"400x300"_qs, u"--position"_qs, u"600,300"_qs});
    const xcb_window_t window = session.waitForWindow(u"painting"_qs, painter);
    ASSERT_NE(window, XCB_NONE) << session.error();

    SessionApp app(session);
    CoordinatorRig rig(session);
    const auto applications = std::make_shared<XdgApplications>(QStringList{folder}, u"C"_qs);
    rig.coordinator->context().applications = applications;
    X11WindowSystem named(session.display());
    named.setApplications(applications.get());
    const auto shown = [&] {
        for (const WindowInfo& info : named.snapshot()) {
            if (info.id == window)
                return info.appName;
        }
        return QString();
    };
    EXPECT_EQ(shown(), u"Painter"_qs);

    const ScreenInfo screen = rig.screens.screens().front();
    const SnapLayout paint{u"user-1"_qs, u"Paint"_qs, halvesTree(), SnapLayout::AppMap{{1, {u"org.example.Painter"_qs}}}};
    const Rect region = regionFrames(paint, screen).at(1);
    rig.coordinator->startLayoutApplication(paint, screen);
    EXPECT_TRUE(session.waitFor([&] { return framedIn(session, rig, window, region) && compositionSettled(rig); }, 10000))
        << "the painter at " << toString(*session.wmFrame(window)).toStdString();
    EXPECT_EQ(rig.notices, QStringList{u"Arranged 1 windows. 1 space remains available."_qs})
        << "opened again: " << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_FALSE(applications->launchRunning(u"org.example.Painter"_qs, std::chrono::minutes(1))) << "started again";
}

TEST(CompositionX11, AnAppThatRunsInATerminalOpensInTheUsersTerminalWhoseWindowTakesItsRegion)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QString folder = session.directory() + u"/data/applications"_qs;
    const QString bin = session.directory() + u"/bin"_qs, none = session.directory() + u"/none"_qs;
    ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(bin) && QDir().mkpath(none));
    // The only terminal on PATH is xterm; the app is a program that opens no window of its own.
    const QString xterm = QStandardPaths::findExecutable(u"xterm"_qs);
    const QString sleep = QStandardPaths::findExecutable(u"sleep"_qs);
    ASSERT_FALSE(xterm.isEmpty() || sleep.isEmpty());
    ASSERT_TRUE(QFile::link(xterm, bin + u"/xterm"_qs) && QFile::link(sleep, bin + u"/fw-pager"_qs));
    const QByteArray pager = QFile::encodeName(bin + u"/fw-pager"_qs);
    ASSERT_TRUE(writeEntry(folder, u"org.example.Pager"_qs, "Name=Pager\nTerminal=true\nExec=" + pager + " 600 %F\n"));
    ASSERT_TRUE(writeEntry(folder, u"org.example.Reader"_qs, "Name=Reader\nTerminal=true\nExec=" + pager + " 600\n"));
    struct PinnedPath {
        const QByteArray was = qgetenv("PATH");
        ~PinnedPath() { qputenv("PATH", was); }
    } path;
    qputenv("PATH", QFile::encodeName(bin));
    // A descriptor of ours that a careless library would leave open across exec.
    int leaked[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, leaked), 0);

    SessionApp app(session);
    CoordinatorRig rig(session);
    rig.coordinator->context().applications = std::make_shared<XdgApplications>(QStringList{folder}, u"C"_qs);
    const ScreenInfo screen = rig.screens.screens().front();
    const RegionTree halves = halvesTree();
    const SnapLayout one{u"user-1"_qs, u"Pager"_qs, halves, SnapLayout::AppMap{{1, {u"org.example.Pager"_qs}}}};
    const auto frames = regionFrames(one, screen);
    auto placed = [&](xcb_window_t window, RegionNumber region) {
        return framedIn(session, rig, window, frames.at(region));
    };
    auto settled = [&] { return compositionSettled(rig); };

    rig.coordinator->startLayoutApplication(one, screen);
    ASSERT_TRUE(session.waitFor([&] { return !rig.notices.isEmpty(); }, 10000));
    EXPECT_EQ(rig.notices, QStringList{u"Opening Pager. Each window goes to its spot when it appears."_qs});
    // xterm names its window after the program it runs.
    const xcb_window_t terminal = session.waitForWindow(u"fw-pager"_qs, 0, 10000);
    ASSERT_NE(terminal, XCB_NONE) << "no terminal opened";
    const auto pid = rig.ws.pid(terminal);
    ASSERT_TRUE(pid && *pid > 0);
    EXPECT_TRUE(session.waitFor([&] { return placed(terminal, 1) && settled(); }, 15000))
        << "the terminal at " << toString(session.wmFrame(terminal).value_or(Rect())).toStdString() << ", notices "
        << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_EQ(rig.coordinator->groups().at(displayKey(screen)).windows.at(1).element, terminal);
    EXPECT_EQ(rig.notices.size(), 1) << rig.notices.join(u" | "_qs).toStdString();

    // The terminal got /dev/null for its standard streams and nothing else of ours.
    const auto held = test::processDescriptors(pid_t(*pid));
    for (int stream : {0, 1, 2})
        EXPECT_EQ(held.count(stream) ? held.at(stream) : std::string(), "/dev/null") << "descriptor " << stream;
    for (const auto& [number, target] : test::processDescriptors(0)) {
        // Files and anonymous inodes are no one's in particular; sockets and pipes are ours.
        const bool ours = target.rfind("socket:", 0) == 0 || target.rfind("pipe:", 0) == 0;
        for (const auto& [theirs, same] : held)
            EXPECT_TRUE(!ours || same != target) << "the terminal holds our " << target << " as " << theirs;
    }
    ::close(leaked[0]);
    ::close(leaked[1]);

    // With no terminal installed, another such app only says so; the first keeps its region.
    qputenv("PATH", QFile::encodeName(none));
    const SnapLayout two{u"user-2"_qs, u"Readers"_qs, halves,
                         SnapLayout::AppMap{{0, {u"org.example.Reader"_qs}}, {1, {u"org.example.Pager"_qs}}}};
    rig.coordinator->startLayoutApplication(two, screen);
    ASSERT_TRUE(session.waitFor(
        [&] { return rig.coordinator->groups().at(displayKey(screen)).layout.id == two.id && settled(); }, 10000));
    ASSERT_GE(rig.notices.size(), 2);
    EXPECT_EQ(rig.notices[1], u"Reader runs in a terminal, and none is installed, so its spot was left free."_qs)
        << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_TRUE(placed(terminal, 1));
    ::kill(pid_t(*pid), SIGTERM);
}

// The user's terminal, `terminal` on PATH (bin) and chosen as x-terminal-emulator through
// Debian's wrapper where there is one, and the Pager entry, an app that runs in a terminal.
struct ChosenTerminal {
    QString folder, bin, sleep, program;
    QByteArray path = qgetenv("PATH"), address = qgetenv("DBUS_SESSION_BUS_ADDRESS"), locale = qgetenv("LC_ALL");
    ChosenTerminal(const QString& terminal)
    {
        program = QStandardPaths::findExecutable(terminal);
        sleep = QStandardPaths::findExecutable(u"sleep"_qs);
        // gnome-terminal's server will not start in a locale that is not UTF-8.
        qputenv("LC_ALL", "C.UTF-8");
    }
    ~ChosenTerminal()
    {
        qputenv("PATH", path);
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        locale.isNull() ? qunsetenv("LC_ALL") : qputenv("LC_ALL", locale);
    }
    // Puts the terminal on PATH and on the session's bus; false when something is missing.
    bool install(XSession& session, const QString& terminal)
    {
        const QString bus = session.sessionBus();
        folder = session.directory() + u"/data/applications"_qs;
        bin = session.directory() + u"/bin"_qs;
        const QString wrapper = QStandardPaths::findExecutable(terminal + u".wrapper"_qs);
        const QString perl = QStandardPaths::findExecutable(u"perl"_qs);
        if (bus.isEmpty() || sleep.isEmpty() || !QDir().mkpath(folder) || !QDir().mkpath(bin))
            return false;
        if (!QFile::link(program, bin + u'/' + terminal) || !QFile::link(sleep, bin + u"/fw-pager"_qs)
            || !QFile::link(wrapper.isEmpty() || perl.isEmpty() ? program : wrapper, bin + u"/x-terminal-emulator"_qs))
            return false;
        qputenv("PATH", QFile::encodeName(bin) + ":" + QFile::encodeName(QFileInfo(perl).path()));
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus.toLocal8Bit());
        return writeEntry(folder, u"org.example.Pager"_qs,
                          "Name=Pager\nTerminal=true\nExec=" + QFile::encodeName(bin + u"/fw-pager"_qs) + " 600\n");
    }
};

// With the window `open` of the user's terminal on screen, a layout with the Pager opens it in
// a terminal window of its own, which takes the app's region and is told as the app's. The
// process of that window ends after, unless it is `openPid`, the open window's.
void expectPagerTakesItsRegion(XSession& session, const ChosenTerminal& terminal, xcb_window_t open, pid_t openPid,
                               const QByteArray& terminalClass)
{
    SessionApp app(session);
    CoordinatorRig rig(session);
    rig.coordinator->context().applications = std::make_shared<XdgApplications>(QStringList{terminal.folder}, u"C"_qs);
    const ScreenInfo screen = rig.screens.screens().front();
    const SnapLayout one{u"user-1"_qs, u"Pager"_qs, halvesTree(), SnapLayout::AppMap{{1, {u"org.example.Pager"_qs}}}};
    const auto frames = regionFrames(one, screen);
    const QString display = displayKey(screen);
    const auto held = [&]() -> xcb_window_t {
        const auto group = rig.coordinator->groups().find(display);
        if (group == rig.coordinator->groups().end() || !group->second.windows.count(1))
            return XCB_NONE;
        return xcb_window_t(group->second.windows.at(1).element);
    };

    rig.coordinator->startLayoutApplication(one, screen);
    EXPECT_TRUE(session.waitFor([&] { return !rig.notices.isEmpty(); }, 10000));
    EXPECT_EQ(rig.notices, QStringList{u"Opening Pager. Each window goes to its spot when it appears."_qs});
    EXPECT_TRUE(session.waitFor([&] {
        const xcb_window_t window = held();
        return window != XCB_NONE && framedIn(session, rig, window, frames.at(1)) && compositionSettled(rig);
    }, 30000)) << "no terminal window took the region; notices " << rig.notices.join(u" | "_qs).toStdString();
    const xcb_window_t launched = held();
    EXPECT_NE(launched, open) << "the terminal that was open took the region";
    EXPECT_TRUE(test::wmClass(session, launched).contains(terminalClass)) << test::wmClass(session, launched).toStdString();
    EXPECT_EQ(rig.notices.size(), 1) << rig.notices.join(u" | "_qs).toStdString();
    if (const auto pid = rig.ws.pid(launched); pid && *pid > 0 && pid_t(*pid) != openPid)
        ::kill(pid_t(*pid), SIGTERM);
}

// The user's terminal is xfce4-terminal, and a window of it is open already (it serves new
// windows from its own process when asked over the session bus). A layout with an app that
// runs in a terminal opens it in a terminal window of its own, which takes the app's region.
TEST(CompositionX11, AnAppThatRunsInATerminalTakesItsRegionBesideATerminalThatServesItsOwnWindows)
{
    ChosenTerminal terminal(u"xfce4-terminal"_qs);
    if (terminal.program.isEmpty())
        GTEST_SKIP() << "xfce4-terminal is not installed (scripts/deps installs it)";
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(terminal.install(session, u"xfce4-terminal"_qs)) << session.error();

    // The terminal the user has open, serving its windows on the session's bus.
    const pid_t open = session.spawn(
        {terminal.program, u"--title"_qs, u"already open"_qs, u"-x"_qs, terminal.sleep, u"600"_qs});
    ASSERT_TRUE(open) << session.error();
    const xcb_window_t first = session.waitForWindow(u"already open"_qs, 0, 30000);
    ASSERT_NE(first, XCB_NONE) << "xfce4-terminal opened no window";

    expectPagerTakesItsRegion(session, terminal, first, open, "fce4-terminal");
}

// The user's terminal is gnome-terminal, whose windows all come from its server process, one
// of them open already: the launch's window is still told as the app's and takes its region.
TEST(CompositionX11, AnAppThatRunsInATerminalTakesItsRegionBesideATerminalWhoseServerShowsEveryWindow)
{
    ChosenTerminal terminal(u"gnome-terminal"_qs);
    if (terminal.program.isEmpty())
        GTEST_SKIP() << "gnome-terminal is not installed (scripts/deps installs it)";
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(terminal.install(session, u"gnome-terminal"_qs)) << session.error();

    const pid_t open = session.spawn({terminal.program, u"--wait"_qs, u"--"_qs, terminal.sleep, u"600"_qs});
    ASSERT_TRUE(open) << session.error();
    const xcb_window_t first = session.waitForWindow(u"Terminal"_qs, 0, 30000);
    ASSERT_NE(first, XCB_NONE) << "gnome-terminal opened no window";

    expectPagerTakesItsRegion(session, terminal, first, open, "nome-terminal");
}

} // namespace
} // namespace fw
