// Window stacks on a real server (Xvfb, the test window manager): two xterms put in the same
// region form a stack, and the cycle command brings the other one to the front, as the
// server's own stacking (QueryTree) shows. The layer list names each frame by its client, with
// the frame window access reads, in one round trip once it knows the windows; an application
// becoming active is observed. Xterms with different fonts placed in one region stack there
// with their badge shown. A window kept on top, or below the others, stacks like any other,
// and the member brought forward takes its layer. With a member that takes no keyboard focus, cycling from the focused window reaches every member in turn. A look at
// a spanning window sent behind the halves, from the switcher, leaves it behind once the
// switcher closes.
#include "platform/x11/X11PanelFocus.h"
#include "stacks/StackPresenter.h"
#include "stacks/qt/WindowStackAnchorView.h"
#include "stacks/qt/WindowStackPicker.h"
#include "x11/CoordinatorRig.h"
#include "x11/FakeKeys.h"
#include "x11/XSession.h"
#include "x11/XtermRigs.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace fw {
namespace {

using namespace test;

QString describe(const std::optional<Rect>& frame) { return frame ? toString(*frame) : u"nowhere"_qs; }

// The cycle command from the front brings the other window forward, and back again; false at
// the first step that did not.
::testing::AssertionResult cyclesBoth(XSession& session, CoordinatorRig& rig, xcb_window_t one, xcb_window_t two)
{
    for (const auto& [from, to] : {std::pair{one, two}, std::pair{two, one}}) {
        const auto front = ManagedWindow::make(rig.ws, from);
        if (!front || !rig.stacks.cycleStack(*front, true))
            return ::testing::AssertionFailure() << "the cycle from " << from << " refused";
        if (!session.waitFor([&] { return rig.frontOf(one, two) == to; }))
            return ::testing::AssertionFailure() << to << " never came to the front";
        if (!session.waitFor([&] { return !rig.stacks.shuffling(); }))
            return ::testing::AssertionFailure() << "the switch never ended";
    }
    return ::testing::AssertionSuccess();
}

TEST(StacksX11, TwoXtermsInOneRegionFormAStackAndTheCycleBringsTheOtherForward)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm's activation from a pager only focuses: the window is not raised";
    test::XtermStack stack;
    ASSERT_TRUE(stack.start(session, u"stack one"_qs, u"stack two"_qs));
    auto [one, two, rig] = stack.parts();
    const Rect left = rig.leftHalf();
    const auto frame = rig.ws.frame(two.window);
    ASSERT_TRUE(frame && rig.ws.frame(one.window) == frame) << "both on the same cell grid";

    // The layer list: both xterms, ordinary, by their client ids, with their frames.
    const auto layers = rig.ws.layers();
    for (const auto& term : {one, two}) {
        const auto at = std::find_if(layers.begin(), layers.end(), [&](const WindowLayer& l) { return l.id == term.window; });
        ASSERT_NE(at, layers.end());
        EXPECT_EQ(at->level, kOrdinaryLevel);
        EXPECT_EQ(at->pid, Pid(term.pid));
        EXPECT_EQ(at->frame, *frame);
    }
    EXPECT_EQ(rig.ws.layers(), layers) << "the second pass, from what the first kept, reads the same";
    EXPECT_EQ(rig.ws.lastLayerResolutions(), 0u) << "in one round trip";

    // Moved, a window is still read in one round; resized, it is resolved again. Either way
    // the list states the frame that window access reads.
    auto listedFrame = [&](WindowId id) -> std::optional<Rect> {
        for (const WindowLayer& l : rig.ws.layers()) {
            if (l.id == id)
                return l.frame;
        }
        return std::nullopt;
    };
    ASSERT_TRUE(rig.ws.setFrame(one.window, frame->offsetBy(40, 30)));
    EXPECT_EQ(listedFrame(one.window), rig.ws.frame(one.window));
    EXPECT_EQ(rig.ws.lastLayerResolutions(), 0u);
    ASSERT_TRUE(rig.ws.setFrame(one.window, Rect(300, 200, 500, 400)));
    EXPECT_EQ(listedFrame(one.window), rig.ws.frame(one.window));
    EXPECT_EQ(rig.ws.lastLayerResolutions(), 1u);
    ASSERT_TRUE(rig.ws.setFrame(one.window, left));
    ASSERT_EQ(rig.ws.frame(one.window), frame);

    rig.stacks.start();
    rig.stacks.refresh(true);
    ASSERT_EQ(rig.stacks.presented().size(), 1u);
    const auto members = rig.stacks.presented()[0].members;
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(rig.frontOf(one.window, two.window), two.window);

    // The other xterm's application becomes active: the controller hears of it.
    ASSERT_TRUE(session.activate(one.window));
    EXPECT_TRUE(session.waitFor([&] { return rig.stacks.lastSwitchAt() > 0; })) << "no activation observed";
    // A busy window manager may raise it a moment after it gave it the focus.
    ASSERT_TRUE(session.waitFor([&] { return rig.frontOf(one.window, two.window) == one.window; }))
        << "the activated xterm never came in front";

    // The cycle command brings the other one forward, and back again. Without a compositing
    // manager the window comes forward at once; with one (metacity's own) the card shuffle
    // plays first.
    EXPECT_TRUE(cyclesBoth(session, rig, one.window, two.window));
    rig.stacks.stop();
}

TEST(StacksX11, XtermsWithDifferentFontsPlacedInOneRegionStackThereWithTheirBadgeShown)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    // Monospace at 13 and at 10 points: cells of different sizes. Placed, each falls short of
    // the region by part of its own cell, neither frame within 5 points of the other.
    auto big = session.startXterm(u"big font"_qs, {"-fa", "DejaVuSansMono", "-fs", "13", "-geometry", "60x20+100+100"});
    auto small = session.startXterm(u"small font"_qs, {"-geometry", "80x24+400+300"});
    ASSERT_TRUE(big.window && small.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    const auto screen = rig.screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(screen);
    for (xcb_window_t w : {big.window, small.window}) {
        const auto done = rig.placeWindow(w, 0, SnapLayout::builtIns().front(), *screen);
        ASSERT_TRUE(session.waitFor([&] { return done->has_value(); }, 10000) && **done)
            << describe(rig.ws.frame(w)).toStdString() << "; " << rig.notices.join(u" | "_qs).toStdString();
    }
    const auto bigFrame = rig.ws.frame(big.window), smallFrame = rig.ws.frame(small.window);
    ASSERT_TRUE(bigFrame && smallFrame && !(*bigFrame == *smallFrame)) << "each on its own cell grid";

    rig.stacks.start();
    rig.stacks.refresh(true);
    ASSERT_EQ(rig.stacks.presented().size(), 1u)
        << describe(bigFrame).toStdString() << " and " << describe(smallFrame).toStdString() << " in no stack";
    EXPECT_EQ(rig.stacks.presented()[0].frame, rig.leftHalf()) << "the region is the stack's slot";
    EXPECT_EQ(rig.stacks.presented()[0].members.size(), 2u);

    // The front's badge shows (nothing of the stack counts as covering it) and stays.
    auto* presenter = rig.stacks.presenter();
    const auto badgeShownFor = [&](xcb_window_t front) {
        const auto& badges = presenter->badges();
        return badges.size() == 1 && badges.begin()->second.front.element == front
            && badges.begin()->second.panel->isVisible();
    };
    ASSERT_TRUE(session.waitFor([&] { return badgeShownFor(small.window); })) << "no badge over the small-font xterm";
    rig.stacks.refresh(true);
    EXPECT_TRUE(badgeShownFor(small.window)) << "the next pass hid it";

    EXPECT_TRUE(cyclesBoth(session, rig, small.window, big.window));
    EXPECT_TRUE(session.waitFor([&] {
        rig.stacks.refresh(true);
        return badgeShownFor(small.window);
    })) << "no badge after the switches";
    rig.stacks.stop();
}

// The window manager keeps the window above or below the others, as its window menu does;
// false when it never says so.
bool keepWindow(XSession& session, xcb_window_t client, const char* state)
{
    xcb_connection_t* c = session.connection();
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(state)), state), nullptr);
    if (!atom)
        return false;
    const std::uint32_t kept = atom->atom;
    free(atom);
    session.sendRootMessage(client, "_NET_WM_STATE", {1, kept, 0, 2});
    return session.waitFor([&] { return session.atomNames(client, "_NET_WM_STATE").contains(QLatin1String(state)); });
}

bool keeps(XSession& session, xcb_window_t client, const char* state)
{
    return session.atomNames(client, "_NET_WM_STATE").contains(QLatin1String(state));
}

// The member of the three the server stacks highest.
xcb_window_t frontOfThree(CoordinatorRig& rig, const std::vector<xcb_window_t>& members)
{
    for (const WindowLayer& l : rig.ws.layers()) {
        if (std::find(members.begin(), members.end(), l.id) != members.end())
            return xcb_window_t(l.id);
    }
    return XCB_NONE;
}

// Three xterms in the left half, the front one kept always on top from a pager as its window
// menu does: all three are one stack, the front's badge shows, and Next Window in Stack brings
// another member forward over it, with the keyboard: that member now keeps the stack on top.
// The switcher opens on the stack.
TEST(StacksX11, AStackWhoseFrontIsKeptOnTopShowsItsBadgeAndTheNextMemberComesOverIt)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("pekwm") || session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << session.windowManager().toStdString() << " does not keep a window above on a pager's request";
    auto one = session.startXterm(u"behind one"_qs, {"-geometry", "80x24+100+100"});
    auto two = session.startXterm(u"behind two"_qs, {"-geometry", "80x24+400+300"});
    auto above = session.startXterm(u"kept above"_qs, {"-geometry", "80x24+700+500"});
    ASSERT_TRUE(one.window && two.window && above.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.stackInLeftHalf(session, one.window, two.window));
    ASSERT_TRUE(rig.ws.setFrame(above.window, rig.leftHalf()) && session.activate(above.window));
    ASSERT_TRUE(keepWindow(session, above.window, "_NET_WM_STATE_ABOVE")) << "the window manager did not keep it above";
    const std::vector<xcb_window_t> members{one.window, two.window, above.window};
    ASSERT_TRUE(session.waitFor([&] { return frontOfThree(rig, members) == above.window; }));

    rig.stacks.start();
    rig.stacks.refresh(true);
    ASSERT_EQ(rig.stacks.presented().size(), 1u);
    EXPECT_EQ(rig.stacks.presented()[0].members.size(), 3u) << "the window kept on top stands alone";
    auto* presenter = rig.stacks.presenter();
    const auto badgeShownFor = [&](xcb_window_t front) {
        rig.stacks.refresh(true);
        const auto& badges = presenter->badges();
        return badges.size() == 1 && badges.begin()->second.front.element == front
            && badges.begin()->second.panel->isVisible();
    };
    EXPECT_TRUE(session.waitFor([&] { return badgeShownFor(above.window); })) << "no badge over the front kept on top";

    const auto kept = ManagedWindow::make(rig.ws, above.window);
    ASSERT_TRUE(kept);
    ASSERT_TRUE(rig.stacks.cycleStack(*kept, true)) << "Next Window in Stack refused";
    xcb_window_t front = XCB_NONE;
    ASSERT_TRUE(session.waitFor([&] {
        front = frontOfThree(rig, members);
        return front != above.window && !rig.stacks.shuffling();
    })) << "the next member stayed under the window kept on top";
    EXPECT_TRUE(session.waitFor([&] {
        const auto focused = rig.access.focusedWindow();
        return focused && focused->element == front;
    })) << "the keyboard is not in the member brought forward";
    EXPECT_TRUE(keeps(session, front, "_NET_WM_STATE_ABOVE")) << "the stack is no longer kept on top";
    EXPECT_FALSE(keeps(session, above.window, "_NET_WM_STATE_ABOVE")) << "two members are kept on top";
    EXPECT_TRUE(session.waitFor([&] { return badgeShownFor(front); })) << "no badge over the new front";

    const auto now = ManagedWindow::make(rig.ws, front);
    ASSERT_TRUE(now);
    EXPECT_TRUE(rig.stacks.showSwitcher(*now)) << "the switcher found no other window in the slot";
    rig.stacks.stop();
}

// Two xterms in the left half, the one behind kept below the others: Next Window in Stack
// brings it forward where the user sees it, with the keyboard, and the one it replaced goes
// below; the next press puts both back as they were kept.
TEST(StacksX11, AMemberKeptBelowComesForwardWhereItIsSeenAndTheNextPressPutsItBack)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("pekwm") || session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << session.windowManager().toStdString() << " does not keep a window below on a pager's request";
    auto low = session.startXterm(u"kept below"_qs, {"-geometry", "80x24+100+100"});
    auto top = session.startXterm(u"in front"_qs, {"-geometry", "80x24+400+300"});
    ASSERT_TRUE(low.window && top.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.stackInLeftHalf(session, low.window, top.window));
    ASSERT_TRUE(keepWindow(session, low.window, "_NET_WM_STATE_BELOW")) << "the window manager did not keep it below";
    rig.stacks.start();
    rig.stacks.refresh(true);
    ASSERT_EQ(rig.stacks.presented().size(), 1u);
    ASSERT_EQ(rig.stacks.presented()[0].members.size(), 2u);

    for (const auto& [from, to] : {std::pair{top.window, low.window}, std::pair{low.window, top.window}}) {
        ASSERT_TRUE(session.waitFor([&] {
            const auto focused = rig.access.focusedWindow();
            return focused && focused->element == from;
        })) << session.windowTitle(from).toStdString() << " never had the keyboard";
        const auto focused = rig.access.focusedWindow();
        ASSERT_TRUE(rig.stacks.cycleStack(*focused, true)) << "Next Window in Stack refused";
        EXPECT_TRUE(session.waitFor([&] { return rig.frontOf(low.window, top.window) == to && !rig.stacks.shuffling(); }))
            << session.windowTitle(to).toStdString() << " stayed under " << session.windowTitle(from).toStdString();
        EXPECT_FALSE(keeps(session, to, "_NET_WM_STATE_BELOW"));
        EXPECT_TRUE(keeps(session, from, "_NET_WM_STATE_BELOW")) << "the stack left the layer it was kept in";
    }
    EXPECT_TRUE(session.waitFor([&] {
        const auto focused = rig.access.focusedWindow();
        return focused && focused->element == top.window;
    })) << "the keyboard is not in the window in front";
    rig.stacks.stop();
}

// Two xterms and a window that takes no keyboard focus (WM_HINTS input false, as xclock's)
// stacked in the left half, the second xterm focused: the cycle command, given the focused
// window as the Next Window in Stack key gives it, brings each member forward in turn, also
// when the window manager leaves the focus behind the no-input window it raised.
TEST(StacksX11, CyclingFromTheFocusedWindowReachesEveryMemberAlsoPastOneThatTakesNoFocus)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm's activation from a pager only focuses: the window is not raised";
    auto beta = session.startXterm(u"beta"_qs, {"-geometry", "80x24+100+100"});
    auto gamma = session.startXterm(u"gamma"_qs, {"-geometry", "80x24+400+300"});
    auto clock = session.startTestClient(u"no input"_qs, {"--size", "400x300", "--position", "700,500", "--no-input"});
    ASSERT_TRUE(beta.window && gamma.window && clock.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    const Rect left = rig.leftHalf();
    ASSERT_TRUE(rig.ws.setFrame(clock.window, left) && rig.ws.setFrame(beta.window, left));
    ASSERT_TRUE(rig.stackInLeftHalf(session, beta.window, gamma.window));
    rig.stacks.start();
    rig.stacks.refresh(true);
    ASSERT_EQ(rig.stacks.presented().size(), 1u);
    ASSERT_EQ(rig.stacks.presented()[0].members.size(), 3u);

    const std::vector<xcb_window_t> members{beta.window, gamma.window, clock.window};
    const auto front = [&]() -> xcb_window_t {
        for (const WindowLayer& l : rig.ws.layers()) {
            if (std::find(members.begin(), members.end(), l.id) != members.end())
                return xcb_window_t(l.id);
        }
        return XCB_NONE;
    };
    // A busy window manager may raise gamma a moment after it gave it the focus.
    ASSERT_TRUE(session.waitFor([&] { return front() == gamma.window; })) << "gamma never came in front";
    // What each press brought forward, as the stacks tell it, and the front seen then.
    std::vector<xcb_window_t> chosen;
    rig.stacks.callbacks.onChoose = [&](const ManagedWindow& w) { chosen.push_back(xcb_window_t(w.element)); };
    // Each press as "focused: front before → brought forward", for failure messages.
    std::string presses;
    for (int press = 1; press <= 3; ++press) {
        // At a user's pace: a manager that raises the focused window again a moment after a
        // member that takes no focus came forward (fluxbox's auto-raise) has done so by then.
        if (press > 1)
            session.waitFor([] { return false; }, 400);
        const auto focused = rig.access.focusedWindow();
        ASSERT_TRUE(focused) << "nothing focused at press " << press;
        const xcb_window_t before = front();
        ASSERT_TRUE(rig.stacks.cycleStack(*focused, true)) << "press " << press << " refused";
        ASSERT_EQ(chosen.size(), size_t(press));
        presses += session.windowTitle(focused->element).toStdString() + ": " + session.windowTitle(before).toStdString()
            + " → " + session.windowTitle(chosen.back()).toStdString() + "; ";
        EXPECT_NE(chosen.back(), before) << "press " << press << " brought forward what was in front; " << presses;
        EXPECT_TRUE(session.waitFor([&] { return front() == chosen.back(); }))
            << "press " << press << " never showed what it brought forward; " << presses;
        ASSERT_TRUE(session.waitFor([&] { return !rig.stacks.shuffling(); }));
    }
    EXPECT_EQ(chosen.back(), gamma.window) << "three presses go round the stack: " << presses;
    std::vector<xcb_window_t> seen = chosen;
    std::sort(seen.begin(), seen.end());
    std::vector<xcb_window_t> all = members;
    std::sort(all.begin(), all.end());
    EXPECT_EQ(seen, all) << "a member was never reached: " << presses;
    rig.stacks.stop();
}

// Halves with an xterm each and a third spanning both, sent behind them as the span's shortcut
// does. The first half's switcher opened by shortcut and closed with Escape, the pointer kept
// off its cards: the spanning xterm stays behind. Opened again, a rest on the spanning xterm's
// card raises it over both halves for a look; Escape puts back what was in front, though the
// switcher's panel goes at once: the spanning xterm is behind both halves again.
TEST(StacksX11, APeekAtASpanningWindowSentBehindLeavesItBehindOnceTheSwitcherCloses)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm's activation from a pager only focuses: the window is not raised";
    auto left = session.startXterm(u"left half"_qs, {"-geometry", "80x24+100+100"});
    auto right = session.startXterm(u"right half"_qs, {"-geometry", "80x24+400+300"});
    auto span = session.startXterm(u"across both"_qs, {"-geometry", "80x24+700+500"});
    ASSERT_TRUE(left.window && right.window && span.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    const auto halves = SnapLayout::builtIns().front().tree.frames(topLeftVisibleFrame(rig.screens.screens().front()), 8);
    const Rect both = halves.at(0).united(halves.at(1));
    ASSERT_TRUE(rig.ws.setFrame(span.window, both) && rig.ws.setFrame(left.window, halves.at(0))
                && rig.ws.setFrame(right.window, halves.at(1)));
    const auto a = ManagedWindow::make(rig.ws, left.window), b = ManagedWindow::make(rig.ws, right.window),
               c = ManagedWindow::make(rig.ws, span.window);
    ASSERT_TRUE(a && b && c);
    // The layout the coordinator would have applied, with the xterm spanning its two regions.
    rig.stacks.callbacks.regionProvider = [&] { return std::vector<Rect>{halves.at(0), halves.at(1)}; };
    rig.stacks.callbacks.spanProvider = [&] {
        return std::vector<SpanCover>{{*c, both, u"Across both columns"_qs,
                                       {{u"Left column"_qs, halves.at(0), *a}, {u"Right column"_qs, halves.at(1), *b}}}};
    };
    ASSERT_TRUE(session.activate(span.window));
    rig.stacks.start();
    rig.stacks.refresh(true);
    ASSERT_EQ(rig.stacks.presented().size(), 1u);
    ASSERT_EQ(rig.stacks.presented()[0].members.size(), 3u);
    const auto spanBehind = [&] {
        return rig.frontOf(span.window, left.window) == left.window
            && rig.frontOf(span.window, right.window) == right.window;
    };
    ASSERT_TRUE(rig.stacks.sendSpanToBack(span.window, c->pid));
    ASSERT_TRUE(session.waitFor([&] { return spanBehind() && !rig.stacks.shuffling(); })) << "never sent behind";

    // The keyboard for the switcher's panel as the program takes and holds it.
    X11PanelFocus focus(session.display());
    ASSERT_TRUE(focus.connected());
    OverlayWindow::setPanelFocus(&focus);
    struct Unset {
        ~Unset() { OverlayWindow::setPanelFocus(nullptr); }
    } unset;
    auto* presenter = rig.stacks.presenter();
    WindowStackPicker* picker = nullptr;
    const auto openSwitcher = [&] {
        if (!rig.stacks.showSwitcher(*a))
            return false;
        return session.waitFor([&] {
            auto* panel = dynamic_cast<QtAnchorPanel*>(presenter->explicitPickerPanel());
            picker = panel ? panel->view().picker() : nullptr;
            return picker && picker->isVisible() && panel->view().keyPanel()->isActiveWindow();
        });
    };
    const auto escape = [&] {
        test::chord(session, {test::Escape});
        return session.waitFor([&] { return presenter->explicitPickerPanel() == nullptr; });
    };
    // Off the cards: nothing is raised.
    session.warpPointer(5, 1000);
    ASSERT_TRUE(openSwitcher()) << "the switcher never took the keyboard";
    ASSERT_TRUE(escape()) << "Escape did not close the switcher";
    EXPECT_TRUE(spanBehind()) << "the switcher alone brought the spanning xterm forward";

    // A look at the spanning xterm, then Escape.
    ASSERT_TRUE(openSwitcher()) << "the switcher never took the keyboard again";
    const auto choices = picker->choices();
    const auto card = choices.find(*c);
    ASSERT_NE(card, choices.end());
    ASSERT_TRUE(session.waitFor([&] { return card->second->isVisible(); }));
    const QPoint centre = card->second->mapToGlobal(card->second->rect().center());
    session.warpPointer(centre.x() - 1, centre.y());
    session.moveRelative(1, 0);
    ASSERT_TRUE(session.waitFor([&] {
        return rig.frontOf(span.window, left.window) == span.window
            && rig.frontOf(span.window, right.window) == span.window;
    })) << "the rest on its card did not raise the spanning xterm; panel " << (presenter->explicitPickerPanel() ? "up" : "gone");
    if (presenter->explicitPickerPanel()) {
        ASSERT_TRUE(escape()) << "Escape did not close the switcher";
    }
    EXPECT_TRUE(session.waitFor(spanBehind)) << "the spanning xterm stayed in front of the halves";
    rig.stacks.stop();
}

} // namespace
} // namespace fw
