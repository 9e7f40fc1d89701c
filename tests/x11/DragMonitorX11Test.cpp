// The whole gesture on a real server (Xvfb, openbox, two monitors), with the coordinator, the
// drag monitor and the real mouse monitor, window adapters and overlay in the test process: a
// drag of an xterm's title bar to the top centre of the right monitor shows the layout picker
// there; releasing over "Halves" region 0 puts the xterm into that region on its cell grid;
// dragging it away and back next to its slot offers to put it back, and the release does; Alt
// pressed during such a drag withdraws the picker and the release with it held places nothing.
// Escape during such a drag closes the picker and places nothing, and a left-handed mouse drags
// with its primary button. A title bar pressed just below the frame's top, within reach of the
// top edge, is a move all the same: the picker places a placed xterm, and a drag away leaves it
// where it was let go. An edge or a divider pulled where the manager resizes is a resize every
// time, also where the manager moves its frame before it resizes the window inside.
#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/PickerGeometry.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"
#include "x11/XtermRigs.h"

#include <QDir>
#include <QJsonObject>
#include <QStringList>
#include <gtest/gtest.h>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;
using test::glide;
using test::glideTo;
using test::pressKey;
using test::pressTitleBar;

QString describe(const std::optional<Rect>& frame) { return frame ? toString(*frame) : u"nowhere"_qs; }

// With FRAMEWELL_SHOTS_DIR set, a photograph of the rectangle for review.
void saveShot(const Rect& area, const QString& name)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (!dir.isEmpty() && QDir().mkpath(dir))
        test::grab(area).save(dir + u"/"_qs + name);
}

// The session split into two monitors (LEFT 1920 px wide, RIGHT 1280), and an xterm to drag on
// the monitor holding `area`.
testing::AssertionResult startOnTwoMonitors(XSession& session, test::XtermDrag& drag, const QString& title,
                                            const QStringList& xtermArgs, const Rect& area)
{
    if (!session.splitIntoTwoMonitors())
        return testing::AssertionFailure() << session.error();
    return drag.start(session, title, xtermArgs, area);
}

TEST(DragMonitorX11, DraggingAnXtermToTheTopCentreOfTheRightMonitorPlacesItThroughThePicker)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    test::XtermDrag drag;
    ASSERT_TRUE(startOnTwoMonitors(session, drag, u"drag me"_qs, {"-geometry", "80x24+2000+300"}, Rect(1920, 0, 1280, 1024)));
    auto [term, rig, right, visible] = drag.parts();

    // The title bar to the top centre of the right monitor: the picker hangs there.
    const auto start = session.wmFrame(term.window);
    ASSERT_TRUE(start && pressTitleBar(session, term.window));
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
    ASSERT_TRUE(session.waitFor([&] { return rig.overlay.picker && rig.overlay.pickerView; }))
        << "no picker; xterm at " << describe(session.wmFrame(term.window)).toStdString();
    const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    const auto panelWindow = xcb_window_t(rig.overlay.picker->winId());
    ASSERT_TRUE(session.waitFor([&] { return session.isViewable(panelWindow) && session.wmFrame(panelWindow) == panel; }))
        << "picker at " << describe(session.wmFrame(panelWindow)).toStdString() << ", expected " << toString(panel).toStdString();
    EXPECT_TRUE(rig.monitor->dragging());
    EXPECT_EQ(rig.state.picker.pickerScreen(), displayKey(*right));
    saveShot(right->frame, u"drag-picker.png"_qs);

    // Over "Halves" region 0, and let go.
    ASSERT_EQ(rig.overlay.pickerView->layouts().front().name, u"Halves"_qs);
    const Rect button = geometry.cards.front().regions.at(0);
    glideTo(session, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 6);
    ASSERT_TRUE(session.waitFor([&] {
        return rig.overlay.pickerView && rig.state.picker.selection == SnapSelection{0, 0};
    })) << "the pointer is not over Halves region 0";
    session.releaseButton(1);

    const Rect target = regionFrames(SnapLayout::builtIns().front(), *right).at(0);
    const auto hints = rig.ws.sizeHints(term.window);
    ASSERT_TRUE(hints && hints->increment.width > 1 && hints->increment.height > 1);
    auto onGrid = [&](const std::optional<Rect>& f) {
        return f && f->origin == target.origin && f->width() <= target.width() &&
               target.width() - f->width() < hints->increment.width && f->height() <= target.height() &&
               target.height() - f->height() < hints->increment.height;
    };
    ASSERT_TRUE(session.waitFor([&] { return onGrid(session.wmFrame(term.window)) && !rig.state.interaction.mutating; }, 10000))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", region " << toString(target).toStdString()
        << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
    EXPECT_EQ(rig.coordinator->groups().at(displayKey(*right)).windows.at(0).element, term.window);
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();

    // Away and back to within 10 points of its slot: its own region offers to put it back
    // (the xterm sits there on its cell grid), and released there, it goes back.
    ASSERT_TRUE(pressTitleBar(session, term.window));
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    glide(session, 150, 200, 10);
    glide(session, -140, -190, 10);
    const auto near = session.wmFrame(term.window);
    ASSERT_TRUE(near && !onGrid(near)) << "the window manager did not move the xterm";
    const auto offersPutBack = [&] {
        const auto& drop = rig.state.drop.regionDrop;
        return drop && drop->display == displayKey(*right) && drop->intent == RegionDropIntent::choose(0) &&
               rig.dragHandler->findings().activeDrop == drop;
    };
    ASSERT_TRUE(session.waitFor(offersPutBack)) << "no offer to put it back; xterm at " << describe(near).toStdString();
    session.releaseButton(1);
    EXPECT_TRUE(session.waitFor([&] { return onGrid(session.wmFrame(term.window)) && !rig.state.interaction.mutating; }, 10000))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString();

    // Alt pressed during a title-bar drag withdraws the picker, and the release with it held
    // leaves the window where the window manager put it.
    ASSERT_TRUE(pressTitleBar(session, term.window));
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
    ASSERT_TRUE(session.waitFor([&] { return rig.overlay.picker && rig.overlay.pickerView; })) << "no picker";
    pressKey(session, test::kAltKeycode, true);
    glide(session, 0, 2, 2);
    EXPECT_TRUE(session.waitFor([&] { return !rig.overlay.picker; })) << "the picker stayed with Alt pressed";
    const auto moved = session.wmFrame(term.window);
    session.releaseButton(1);
    pressKey(session, test::kAltKeycode, false);
    EXPECT_TRUE(session.waitFor([&] { return !rig.state.interaction.windowInteraction; }));
    EXPECT_FALSE(session.waitFor([&] { return session.wmFrame(term.window) != moved; }, 300))
        << "moved after a release with Alt: " << describe(session.wmFrame(term.window)).toStdString();
    EXPECT_FALSE(rig.overlay.picker);
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

// Escape while the window manager moves the window, with the picker open and the pointer over
// a region: the window manager holds the keyboard then (all but fluxbox), and most put the
// window back on it (openbox, xfwm4, icewm, metacity); either way the drag ends. Then the
// buttons are swapped while everything runs (a left-handed mouse), first on the core pointer,
// then on the device alone: a drag with the primary button, the physical right one, places
// through the picker.
TEST(DragMonitorX11, EscapeDuringATitleBarDragPlacesNothingAndALeftHandedMouseDragsWithItsPrimaryButton)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    test::XtermDrag drag;
    ASSERT_TRUE(drag.start(session, u"escape me"_qs, {"-geometry", "80x24+500+400"}));
    auto [term, rig, screen, visible] = drag.parts();
    const auto halves = regionFrames(SnapLayout::builtIns().front(), *screen);
    const auto inRegion = [&](int index) {
        const auto frame = session.wmFrame(term.window);
        return frame && frame->origin == halves.at(size_t(index)).origin;
    };
    // The title bar pressed with the physical button, to the top centre and over a region of
    // Halves.
    const auto overRegion = [&](int button, int index) {
        if (!pressTitleBar(session, term.window, button) ||
            !session.waitFor([&] { return rig.monitor->candidate().has_value(); }))
            return testing::AssertionFailure() << "the press was not followed";
        glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
        if (!session.waitFor([&] { return rig.overlay.picker && rig.overlay.pickerView; }))
            return testing::AssertionFailure() << "no picker; xterm at " << describe(session.wmFrame(term.window)).toStdString();
        const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
        const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
        const Rect region = geometry.cards.front().regions.at(size_t(index));
        glideTo(session, {panel.minX() + region.midX(), panel.minY() + region.midY()}, 6);
        if (!session.waitFor([&] { return rig.overlay.pickerView && rig.state.picker.selection == SnapSelection{0, index}; }))
            return testing::AssertionFailure() << "the pointer is not over Halves region " << index;
        return testing::AssertionSuccess();
    };

    ASSERT_TRUE(overRegion(1, 0));
    test::key(session, test::Escape, true);
    test::key(session, test::Escape, false);
    EXPECT_TRUE(session.waitFor([&] { return !rig.overlay.picker; })) << "the picker stayed after Escape";
    EXPECT_FALSE(rig.monitor->candidate());
    EXPECT_FALSE(rig.state.interaction.windowInteraction);
    session.releaseButton(1);
    EXPECT_FALSE(session.waitFor([&] { return inRegion(0); }, 500)) << "placed after Escape";
    EXPECT_TRUE(rig.coordinator->groups().empty());

    const auto placedIn = [&](int index) {
        EXPECT_TRUE(session.waitFor([&] { return inRegion(index) && !rig.state.interaction.mutating; }, 10000))
            << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", region "
            << toString(halves.at(size_t(index))).toStdString() << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
        const auto& windows = rig.coordinator->groups().at(displayKey(*screen)).windows;
        EXPECT_TRUE(windows.count(index) && windows.at(index).element == term.window);
    };
    ASSERT_TRUE(test::swapPrimaryButton(session));
    ASSERT_TRUE(overRegion(3, 0));
    session.releaseButton(3);
    placedIn(0);
    EXPECT_TRUE(test::swapPrimaryButton(session));

    // Left-handed for the mouse alone, as desktop settings panels set it: the core mapping
    // stays, the device's own map makes its right button the primary one.
    ASSERT_TRUE(test::setDeviceButtons(session, {3, 2, 1}));
    ASSERT_TRUE(overRegion(3, 1));
    session.releaseButton(3);
    placedIn(1);
    EXPECT_TRUE(test::setDeviceButtons(session, {1, 2, 3}));
}

// A title-bar drag pressed 4 px below the frame's top (5 under xfwm4 and icewm, whose top 4 px
// resize), within reach of the top edge: the window manager moves the window and the drag is
// followed as a move. A placed xterm on the left monitor reaches the picker and is placed
// through it in the other half; dragged from there onto the right monitor (no layout there,
// nothing on offer) and let go, it stays where it was let go and leaves its region.
TEST(DragMonitorX11, ATitleBarPressedJustBelowTheFramesTopMovesThePlacedWindow)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    test::XtermDrag drag;
    ASSERT_TRUE(startOnTwoMonitors(session, drag, u"near the top"_qs, {"-geometry", "80x24+500+400"}, Rect(0, 0, 1920, 1080)));
    auto [term, rig, screen, visible] = drag.parts();
    const SnapLayout& halves = SnapLayout::builtIns().front();
    const auto placing = rig.placeWindow(term.window, 0, halves, *screen);
    ASSERT_TRUE(session.waitFor([&] { return placing->has_value(); }, 10000) && **placing) << "not placed";
    const QString wm = session.windowManager();
    const int depth = wm == QLatin1String("xfwm4") || wm == QLatin1String("icewm") ? 5 : 4;
    const auto pressNearTheTop = [&] {
        const auto frame = session.wmFrame(term.window);
        if (!frame)
            return testing::AssertionFailure() << "no frame";
        session.warpPointer(int(frame->midX()), int(frame->y()) + depth);
        session.pressButton(1);
        if (!session.waitFor([&] { return rig.monitor->candidate().has_value(); }))
            return testing::AssertionFailure() << "the press was not followed";
        if (rig.monitor->grabbedEdges() != EdgeSet{RegionEdge::top})
            return testing::AssertionFailure() << "the press is not within reach of the top edge";
        return testing::AssertionSuccess();
    };

    ASSERT_TRUE(pressNearTheTop());
    glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
    ASSERT_TRUE(session.waitFor([&] { return rig.overlay.picker && rig.overlay.pickerView; }))
        << "no picker; xterm at " << describe(session.wmFrame(term.window)).toStdString();
    EXPECT_TRUE(rig.monitor->dragging() && !rig.monitor->resizing());
    const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    const Rect button = geometry.cards.front().regions.at(1);
    glideTo(session, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 6);
    ASSERT_TRUE(session.waitFor([&] { return rig.overlay.pickerView && rig.state.picker.selection == SnapSelection{0, 1}; }))
        << "the pointer is not over Halves region 1";
    session.releaseButton(1);
    const Rect right = regionFrames(halves, *screen).at(1);
    const auto inRegion = [&](int region) {
        const auto& groups = rig.coordinator->groups();
        const auto group = groups.find(displayKey(*screen));
        return group != groups.end() && group->second.windows.count(region) &&
               group->second.windows.at(region).element == term.window;
    };
    ASSERT_TRUE(session.waitFor([&] {
        const auto f = session.wmFrame(term.window);
        return f && f->origin == right.origin && inRegion(1) && !rig.state.interaction.mutating;
    }, 10000)) << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", region " << toString(right).toStdString();

    ASSERT_TRUE(pressNearTheTop());
    glide(session, 900, 400, 16);
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->dragging(); })) << "not followed as a move";
    const auto let = session.wmFrame(term.window);
    ASSERT_TRUE(let && let->y() > right.y() + 300) << "the window manager did not move the xterm";
    session.releaseButton(1);
    EXPECT_TRUE(session.waitFor([&] { return !inRegion(1) && !rig.state.interaction.windowInteraction; }))
        << "still in its region";
    EXPECT_FALSE(session.waitFor([&] { return session.wmFrame(term.window) != let; }, 1000))
        << "moved after the release: " << describe(session.wmFrame(term.window)).toStdString() << ", let go at "
        << describe(let).toStdString();
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

// An edge pulled where the window manager resizes is a resize however the manager shows it
// (metacity moves and resizes its own frame first and the xterm inside a moment later), ten
// rounds on two busy cores: an xterm's top edge pulled up to y 3 and held, and the divider
// between two xterms in Halves pulled 150 px left by the right one's left edge and held. Each
// time the window is resized, never followed as a move: no picker, no swap, and the divider's
// neighbour follows at the release. fluxbox, which resizes an outline and the frame only at
// the release, and evilwm, which moves a window by its border, give way to openbox.
TEST(EdgeResizeX11, OnTwoBusyCoresAnEdgeOrADividerPulledAndHeldIsAResizeEveryTime)
{
    const QString wm = XSession::testWindowManager();
    const bool standIn = wm == QLatin1String("fluxbox") || wm == QLatin1String("evilwm");
    XSession session({.windowManagerName = standIn ? u"openbox"_qs : wm});
    ASSERT_TRUE(session.ok()) << session.error();
    const XSession::Client term = session.startXterm(u"top edge"_qs, {"-geometry", "80x24+718+300"});
    const XSession::Client left = session.startXterm(u"left half"_qs, {"-geometry", "80x24+100+600"});
    const XSession::Client right = session.startXterm(u"right half"_qs, {"-geometry", "80x24+1100+600"});
    ASSERT_TRUE(term.window && left.window && right.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    rig.coordinator->context().diagnostics = true; // the drag's trace, for the failure messages
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    const auto screen = rig.screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(screen);
    const auto home = session.wmFrame(term.window);
    ASSERT_TRUE(home);
    const SnapLayout& halves = SnapLayout::builtIns().front();
    const auto trace = [&] {
        QStringList states;
        for (const auto& event : rig.monitor->dragTrace().events())
            states << event.toObject().value(u"state"_qs).toString();
        return states.join(u" → "_qs).toStdString();
    };
    const auto inRegion = [&](xcb_window_t window, int region) {
        const auto& groups = rig.coordinator->groups();
        const auto group = groups.find(displayKey(*screen));
        return group != groups.end() && group->second.windows.count(region) &&
               group->second.windows.at(region).element == window;
    };
    // The press where the manager resizes `edge`, with the window in front (metacity's borders
    // of neighbours overlap, and the one in front takes the press).
    const auto pressEdge = [&](xcb_window_t window, RegionEdge edge) {
        const auto frame = session.wmFrame(window);
        if (!frame || !session.activate(window))
            return testing::AssertionFailure() << "no frame to press";
        const Point press = test::borderPress(session, *frame, edge);
        if (!session.waitFor([&] { return rig.ws.windowAt(press) == WindowId(window); }))
            return testing::AssertionFailure() << "no window takes a press at " << toString(press).toStdString();
        session.warpPointer(int(press.x), int(press.y));
        session.pressButton(1);
        if (!session.waitFor([&] { return rig.monitor->candidate().has_value(); }))
            return testing::AssertionFailure() << "the press was not followed";
        return testing::AssertionSuccess();
    };
    // Held until the manager has resized the window to `reached` and the monitor has decided:
    // a resize, never a move.
    const auto heldAsAResize = [&](xcb_window_t window, const std::function<bool(const Rect&)>& reached) {
        const bool resized = session.waitFor([&] {
            const auto f = session.wmFrame(window);
            return f && reached(*f);
        }, 10000);
        session.waitFor([&] { return rig.monitor->resizing() || rig.monitor->dragging(); }, 3000);
        if (!resized || !rig.monitor->resizing() || rig.monitor->dragging() || rig.overlay.picker)
            return testing::AssertionFailure() << "frame " << describe(session.wmFrame(window)).toStdString()
                                               << (rig.overlay.picker ? ", picker open" : "") << "; " << trace();
        return testing::AssertionSuccess();
    };

    // As a hand pulls: about 60 steps a second, whether or not the manager keeps up.
    const auto pull = [&](int dx, int dy, int steps) {
        for (int i = 0; i < steps; ++i) {
            QElapsedTimer paced;
            paced.start();
            session.moveRelative(dx * (i + 1) / steps - dx * i / steps, dy * (i + 1) / steps - dy * i / steps);
            session.waitFor([&] { return paced.elapsed() >= 17; }, 100);
        }
    };
    for (const auto& [window, region] : {std::pair{left.window, 0}, std::pair{right.window, 1}}) {
        const auto placing = rig.placeWindow(window, RegionNumber(region), halves, *screen);
        ASSERT_TRUE(session.waitFor([&] { return placing->has_value(); }, 10000) && **placing)
            << "not placed: " << rig.notices.join(u" | "_qs).toStdString();
    }
    ASSERT_TRUE(session.crowdOntoTwoCores()) << "the cores were refused";
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        // The top edge of the xterm under the top centre, up to y 3.
        ASSERT_TRUE(rig.ws.setFrame(term.window, *home));
        ASSERT_TRUE(pressEdge(term.window, RegionEdge::top));
        pull(0, 3 - int(session.pointer().value_or(Point{}).y), 20);
        const testing::AssertionResult topResized = heldAsAResize(term.window, [&](const Rect& f) {
            return f.minY() < home->minY() - 200 && std::abs(f.maxY() - home->maxY()) < 4;
        });
        EXPECT_TRUE(topResized) << "the top edge of " << describe(home).toStdString();
        if (!topResized) { // a move misread: Escape, so that the release places nothing
            test::key(session, test::Escape, true);
            test::key(session, test::Escape, false);
        }
        session.releaseButton(1);
        ASSERT_TRUE(session.waitFor([&] { return !rig.monitor->candidate() && !rig.state.interaction.mutating; }));
        EXPECT_FALSE(inRegion(term.window, 0) || inRegion(term.window, 1)) << "placed; " << trace();

        // The divider, by the right xterm's left edge, 150 px to the left (every other round
        // back to the right, so that it stays clear of the xterms' minimum sizes).
        const int by = round % 2 ? 150 : -150;
        const auto before = session.wmFrame(right.window), leftBefore = session.wmFrame(left.window);
        ASSERT_TRUE(before && leftBefore);
        ASSERT_TRUE(pressEdge(right.window, RegionEdge::left));
        pull(by, 0, 10);
        const testing::AssertionResult dividerResized = heldAsAResize(right.window, [&](const Rect& f) {
            return (f.minX() - before->minX()) * by > 100 * 150 && std::abs(f.maxX() - before->maxX()) < 4;
        });
        EXPECT_TRUE(dividerResized) << "the left edge of " << describe(before).toStdString();
        session.releaseButton(1);
        const auto together = [&] {
            const auto l = session.wmFrame(left.window), r = session.wmFrame(right.window);
            return l && r && !rig.state.interaction.mutating && inRegion(left.window, 0) && inRegion(right.window, 1) &&
                   l->minX() == leftBefore->minX() && (l->maxX() - leftBefore->maxX()) * by > 100 * 150 &&
                   r->minX() > l->maxX() && (r->minX() - before->minX()) * by > 100 * 150;
        };
        EXPECT_TRUE(session.waitFor(together, 10000))
            << "left at " << describe(session.wmFrame(left.window)).toStdString() << ", right at "
            << describe(session.wmFrame(right.window)).toStdString() << "; " << trace()
            << "; notices: " << rig.notices.join(u" | "_qs).toStdString();
        if (::testing::Test::HasFailure())
            return;
    }
}

// An xterm in a state of the window manager's that holds its frame (maximized, side-tiled),
// dragged out of it by its title bar at a hand's pace, with the drag's trace kept for failure
// messages.
class HeldXterm {
public:
    explicit HeldXterm(const test::XSessionOptions& options = {}) : session(options) {}

    // The xterm, the application and the rig with its drag monitor; false when one did not come.
    testing::AssertionResult start()
    {
        if (!session.ok())
            return testing::AssertionFailure() << session.error();
        term = session.startXterm(u"held"_qs, {"-geometry", "80x24+500+400"});
        if (!term.window)
            return testing::AssertionFailure() << session.error();
        app.emplace(session);
        rig.emplace(session);
        rig->coordinator->context().diagnostics = true;
        if (!rig->startDragMonitor())
            return testing::AssertionFailure() << "no XInput 2.2";
        screen = rig->screenOf(Rect(0, 0, 1920, 1080));
        if (!screen)
            return testing::AssertionFailure() << "no display";
        visible = topLeftVisibleFrame(*screen);
        return testing::AssertionSuccess();
    }

    WindowStates maximized() { return rig->ws.windowStates(term.window).value_or(0) & kMaximized; }

    // Maximized by the window manager on request, as a double click on its title bar does.
    testing::AssertionResult maximize()
    {
        if (rig->ws.changeWindowStates(term.window, kMaximized, true) && session.waitFor([&] {
                const auto f = session.wmFrame(term.window);
                return maximized() == kMaximized && f && f->width() > visible.width() - 40;
            }, 10000))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "not maximized: " << describe(session.wmFrame(term.window)).toStdString();
    }

    // The arrow that with Super tiles the focused window to the left half under the window
    // manager (xfwm4's Super+KP_Left, which states nothing on the window; Super+Left of
    // metacity, mutter and muffin, Meta+Left of KWin); none where it has no such key.
    xcb_keysym_t tileLeftArrow() const
    {
        const QString wm = session.windowManager();
        if (wm == QLatin1String("xfwm4"))
            return 0xff96; // KP_Left
        if (QStringList{u"metacity"_qs, u"mutter"_qs, u"muffin"_qs, u"kwin"_qs}.contains(wm))
            return 0xff51; // Left
        return 0;
    }

    // Tiled to the left half by the window manager's own key; false when it left the xterm
    // untiled.
    bool tileLeftByKey()
    {
        if (!session.activate(term.window))
            return false;
        // KWin's own key goes through its shortcut service, which may start well after KWin
        // manages windows: the action the key runs is asked of KWin directly.
        if (session.windowManager() == u"kwin"_qs) {
            if (!session.runKwinScript("workspace.slotWindowQuickTileLeft();"))
                return false;
        } else {
            test::chord(session, {test::SuperL, tileLeftArrow()});
        }
        return session.waitFor([&] {
            const auto f = session.wmFrame(term.window);
            return f && f->x() <= visible.x() + 1 && f->height() > visible.height() - 40 && f->width() < visible.width() * 0.6;
        }, 10000);
    }

    // The states the drag passed through.
    std::string trace() const
    {
        QStringList states;
        for (const auto& event : rig->monitor->dragTrace().events()) {
            const QJsonObject e = event.toObject();
            states << e.value(u"state"_qs).toString() + u" @"_qs + e.value(u"pointer"_qs).toString();
        }
        return states.join(u" → "_qs).toStdString();
    }

    // Where the picker and the pointer stand, for failure messages.
    std::string describeSelection()
    {
        std::ostringstream out;
        const auto p = session.pointer();
        out << "pointer " << (p ? toString(Rect(*p, Size{0, 0})).toStdString() : std::string("unknown")) << ", picker "
            << (rig->overlay.pickerView ? "shown" : "gone") << ", selection "
            << (rig->state.picker.selection ? std::to_string(rig->state.picker.selection->layoutIndex) + ":"
                        + std::to_string(rig->state.picker.selection->region) : std::string("none"))
            << ", dragging " << rig->monitor->dragging() << ", resizing " << rig->monitor->resizing() << ", candidate "
            << rig->monitor->candidate().has_value();
        return out.str();
    }

    // As a user takes the window out of its state: the title bar pressed 15 px below its top
    // (less on a title bar too low for that), pulled 300 px down (and `across`), then picked at
    // the top.
    void pullOutAndPick(int across, int region)
    {
        const auto frame = session.wmFrame(term.window);
        ASSERT_TRUE(frame);
        const int top = session.frameExtents(term.window).value_or(test::XSession::Extents{}).top;
        // Brought there by the hand, as mutter's and muffin's title bars want it before a press.
        glideTo(session, {frame->midX(), frame->y() + std::max(8, std::min(15, top - 4))}, 6);
        session.pressButton(1);
        ASSERT_TRUE(session.waitFor([&] { return rig->monitor->candidate().has_value(); })) << "the press was not followed";
        // A hand rests a moment on the button before it pulls.
        session.waitFor([] { return false; }, 150);
        glide(session, across, 300, 12);
        // A compositing manager on two busy cores may show the move only a while later.
        if (!session.waitFor([&] { return session.wmFrame(term.window) != frame; }, 5000)) {
            session.releaseButton(1);
            GTEST_SKIP() << session.windowManager().toStdString() << " moves no window out of its state: " << trace();
        }
        pickAtTheTop(region);
    }

    // With the title bar pressed: up to the very top centre (a maximized window's title bar lies
    // in the picker's zone from the start) and held there, where the picker shows; released over
    // region `region` of Halves, the xterm ends there on its cell grid, no longer maximized, and
    // stays there.
    void pickAtTheTop(int region)
    {
        glideTo(session, {visible.midX(), visible.minY()}, 24);
        ASSERT_TRUE(session.waitFor([&] { return rig->overlay.picker && rig->overlay.pickerView; }))
            << "no picker; xterm at " << describe(session.wmFrame(term.window)).toStdString() << "; " << trace();
        EXPECT_TRUE(rig->monitor->dragging() && !rig->monitor->resizing()) << trace();
        const PickerGeometry& geometry = rig->overlay.pickerView->geometry();
        const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
        const Rect button = geometry.cards.front().regions.at(size_t(region));
        glideTo(session, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 6);
        ASSERT_TRUE(session.waitFor([&] { return rig->overlay.pickerView && rig->state.picker.selection == SnapSelection{0, region}; }))
            << "the pointer is not over Halves region " << region << " at " << describeSelection() << "; " << trace();
        session.releaseButton(1);

        const Rect target = regionFrames(SnapLayout::builtIns().front(), *screen).at(size_t(region));
        const auto hints = rig->ws.sizeHints(term.window);
        ASSERT_TRUE(hints);
        const auto inRegion = [&] {
            const auto f = session.wmFrame(term.window);
            const auto& groups = rig->coordinator->groups();
            const auto group = groups.find(displayKey(*screen));
            return f && f->origin == target.origin && f->width() <= target.width() &&
                   target.width() - f->width() < std::max(1.0, hints->increment.width) && f->height() <= target.height() &&
                   target.height() - f->height() < std::max(1.0, hints->increment.height) && group != groups.end() &&
                   group->second.windows.count(region) && group->second.windows.at(region).element == term.window;
        };
        EXPECT_TRUE(session.waitFor([&] { return inRegion() && !rig->state.interaction.mutating; }, 10000))
            << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", region "
            << toString(target).toStdString() << "; notices: " << rig->notices.join(u" | "_qs).toStdString();
        EXPECT_EQ(maximized(), 0u);
        // It holds there: the window manager puts it back into no state nor frame it left.
        EXPECT_FALSE(session.waitFor([&] { return !inRegion(); }, 1000))
            << "left its region: " << describe(session.wmFrame(term.window)).toStdString();
        EXPECT_TRUE(rig->notices.isEmpty()) << rig->notices.join(u" | "_qs).toStdString();
    }

    // A maximized xterm pulled out at a hand's pace, then, tiled to the left by the manager's
    // key, pulled out to the right (skipped, once the first half passed, where the manager tiles
    // nothing by a key); with `crowded`, on two cores beside two busy loops.
    void maximizedThenTiled(bool crowded)
    {
        ASSERT_TRUE(start());
        if (crowded) {
            ASSERT_TRUE(session.crowdOntoTwoCores()) << "the cores were refused";
        }
        ASSERT_TRUE(maximize());
        pullOutAndPick(0, 1);
        if (::testing::Test::HasFatalFailure() || ::testing::Test::IsSkipped())
            return;
        if (!tileLeftArrow())
            GTEST_SKIP() << "the maximized xterm was placed; " << session.windowManager().toStdString()
                         << " tiles nothing by a key, so there is no tile to pull it out of";
        ASSERT_TRUE(tileLeftByKey()) << "not tiled: xterm at " << describe(session.wmFrame(term.window)).toStdString();
        pullOutAndPick(300, 0);
    }

    XSession session;
    XSession::Client term;
    std::optional<SessionApp> app;
    std::optional<CoordinatorRig> rig; // after the application, before it on the way out
    std::optional<ScreenInfo> screen;
    Rect visible;
};

class HeldWindowDragX11 : public ::testing::Test, public HeldXterm {};

// A maximized xterm (maximized by the window manager on request, as a double click on its title
// bar does) pulled down by its title bar and up to the top centre: xfwm4 and metacity give it
// its size from before as the move starts (metacity maximizes it again at the top while the
// button is held, and may first move the frame at the maximized size and only then give the
// size back), icewm, fluxbox and pekwm move it at full size, openbox not at all. Then tiled to
// the left by the manager's key (xfwm4 states nothing on its tile, metacity maximizes it
// vertically) and pulled out to the right. Both on free cores and on two busy ones.
TEST_F(HeldWindowDragX11, AMaximizedXtermDraggedByItsTitleBarIsPlacedThroughThePicker)
{
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    if (const auto why = XSession::freeCoresSkip())
        GTEST_SKIP() << *why;
    maximizedThenTiled(false);
}

TEST_F(HeldWindowDragX11, OnTwoBusyCoresAMaximizedOrTiledXtermDraggedByItsTitleBarIsPlacedThroughThePicker)
{
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    maximizedThenTiled(true);
}

// An xterm released at the screen's left edge, which metacity's edge tiling puts into a side tile
// (maximized vertically; the other managers of the tests tile nothing there), pulled out of it
// by its title bar to the right and up to the top centre: metacity gives it its size from before
// as the move starts.
TEST_F(HeldWindowDragX11, AnXtermPulledOutOfTheWindowManagersSideTileIsPlacedThroughThePicker)
{
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    ASSERT_TRUE(start());
    ASSERT_TRUE(pressTitleBar(session, term.window));
    ASSERT_TRUE(session.waitFor([&] { return rig->monitor->candidate().has_value(); })) << "the press was not followed";
    glideTo(session, {visible.minX(), visible.midY()}, 24);
    session.releaseButton(1);
    // The manager handles the release before it answers the round trip after it.
    ASSERT_TRUE(session.waitFor([&] { return !rig->monitor->candidate(); }) && session.syncWithWindowManager());
    if (maximized() != MaximizedVertically)
        GTEST_SKIP() << session.windowManager().toStdString() << " tiles no window released at the screen’s left edge (xterm at "
                     << describe(session.wmFrame(term.window)).toStdString() << ", maximized " << maximized() << ")";
    const auto tiled = session.wmFrame(term.window);
    ASSERT_TRUE(tiled && tiled->height() > visible.height() - 40) << describe(tiled).toStdString();

    ASSERT_TRUE(pressTitleBar(session, term.window));
    ASSERT_TRUE(session.waitFor([&] { return rig->monitor->candidate().has_value(); })) << "the press was not followed";
    glide(session, 300, 200, 12);
    ASSERT_TRUE(session.waitFor([&] { return rig->monitor->dragging() || rig->monitor->resizing(); }))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << "; " << trace();
    EXPECT_TRUE(rig->monitor->dragging()) << "followed as a resize: " << trace();
    pickAtTheTop(1);
}

// Managers outside the matrix, each started here where installed (once, in the default run),
// on free cores and on two busy ones: mutter and muffin first give the maximized window back a
// step away from the pointer, jwm at its old place; KWin, mutter and muffin tile by a key.
void heldDragsUnder(const QString& manager, const QString& program, bool crowded)
{
    if (const auto why = XSession::outsideMatrixSkip(program))
        GTEST_SKIP() << *why;
    // Each manager's case on free cores has a twin on two busy cores.
    if (!crowded)
        if (const auto why = XSession::freeCoresSkip())
            GTEST_SKIP() << *why;
    HeldXterm held({.windowManagerName = manager});
    ASSERT_TRUE(held.session.ok()) << held.session.error();
    held.maximizedThenTiled(crowded);
}

TEST(HeldWindowDragOutsideTheMatrixX11, UnderMutter) { heldDragsUnder(u"mutter"_qs, u"mutter"_qs, false); }
TEST(HeldWindowDragOutsideTheMatrixX11, UnderMutterOnTwoBusyCores) { heldDragsUnder(u"mutter"_qs, u"mutter"_qs, true); }
TEST(HeldWindowDragOutsideTheMatrixX11, UnderMuffin) { heldDragsUnder(u"muffin"_qs, u"muffin"_qs, false); }
TEST(HeldWindowDragOutsideTheMatrixX11, UnderMuffinOnTwoBusyCores) { heldDragsUnder(u"muffin"_qs, u"muffin"_qs, true); }
TEST(HeldWindowDragOutsideTheMatrixX11, UnderJwm) { heldDragsUnder(u"jwm"_qs, u"jwm"_qs, false); }
TEST(HeldWindowDragOutsideTheMatrixX11, UnderJwmOnTwoBusyCores) { heldDragsUnder(u"jwm"_qs, u"jwm"_qs, true); }
TEST(HeldWindowDragOutsideTheMatrixX11, UnderKwin) { heldDragsUnder(u"kwin"_qs, u"kwin_x11"_qs, false); }
TEST(HeldWindowDragOutsideTheMatrixX11, UnderKwinOnTwoBusyCores) { heldDragsUnder(u"kwin"_qs, u"kwin_x11"_qs, true); }

} // namespace
} // namespace fw
