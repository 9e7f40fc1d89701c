// A stack's badge and switcher on a real server (Xvfb, the test window manager): two xterms in
// one region show one badge on the front one's title bar, beside the window manager's buttons;
// the pointer coming near opens it, and a click (XTest) on its icon brings the other xterm to
// the front, as the server's own stacking shows. Resting on the front's title-bar button opens
// the switcher, whose card of the other xterm brings that one forward again. On the window's
// edge the badge stands across the front's left edge, kept inside the screen, and offers no
// grip or drag there. A window that
// draws its own title bar gets its badge inside its top edge. Placed automatically, the badge
// takes a free stretch of the real title bar, clear of all the window manager drew there.
// Clicks on the stack's front window never unmap its badge. A window kept above the others and
// a dialog of ours over the badge hide it. Resting on a badge's icon shows its tooltip. On a
// badge over a shared divider no hint to resize together shows.
#include "stacks/StackPresenter.h"
#include "stacks/qt/StackBadgeView.h"
#include "stacks/qt/WindowStackAnchorView.h"
#include "stacks/qt/WindowStackPicker.h"
#include "overlay/WindowThumbnailButton.h"
#include "x11/CoordinatorRig.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"
#include "x11/XtermRigs.h"

#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <cstring>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;

// Moves the pointer there as a hand would: a warp next to it, then one relative step.
void pointAt(XSession& session, QPoint p)
{
    session.warpPointer(p.x() - 1, p.y());
    session.moveRelative(1, 0);
}

void click(XSession& session, QPoint p)
{
    pointAt(session, p);
    session.pressButton(1);
    session.releaseButton(1);
}

TEST(StackBadgesX11, TwoXtermsShowOneBadgeWhoseIconAndSwitcherBringTheOtherForward)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bar to hold the badge under " << session.windowManager().toStdString();
    test::XtermStack stack;
    ASSERT_TRUE(stack.start(session, u"badge one"_qs, u"badge two"_qs));
    auto [one, two, rig] = stack.parts();
    ASSERT_TRUE(rig.startDragMonitor());

    rig.stacks.setBadgesOnEdge(false);
    rig.stacks.setAutoPlaceBadges(false);
    rig.stacks.start();
    rig.stacks.refresh(true);
    auto* presenter = rig.stacks.presenter();
    ASSERT_TRUE(presenter);
    ASSERT_TRUE(session.waitFor([&] { return presenter->badges().size() == 1; })) << "no badge";

    // On the front's title bar: the open badge, as large as anywhere, centred on the bar but
    // kept on the screen, 4 points left of the window manager's buttons at the right end (each
    // taken as wide as the bar is high); its strip at rest lies across the bar's middle.
    const auto frame = rig.ws.frame(two.window);
    const auto bar = rig.ws.titleBarHeight(two.window);
    ASSERT_TRUE(frame && bar);
    const TitleBarButtons wmButtons = rig.desktop.titleBarButtons();
    TitleBarButtons drawn = test::defaultButtons(session.windowManager());
    drawn.titleCentred = wmButtons.titleCentred;
    EXPECT_EQ(wmButtons, drawn) << "as the running window manager draws them";
    const double middle = frame->minY() + *bar / 2;
    const double top = topLeftVisibleFrame(rig.screens.screens().front()).minY();
    const Rect expected(frame->maxX() - wmButtons.right * *bar - 4 - 56, std::max(std::round(middle - 18), top), 56, 36);
    const auto& badge = presenter->badges().begin()->second;
    EXPECT_EQ(badge.frame, expected);
    auto* panel = dynamic_cast<BadgePanel*>(badge.panel.get());
    ASSERT_TRUE(panel);
    ASSERT_TRUE(session.waitFor([&] { return panel->isVisible(); }));
    EXPECT_EQ(panel->frame(), expected);
    EXPECT_EQ(panel->view().members().size(), 1u);
    EXPECT_EQ(panel->view().members().front().element, one.window);
    const QRectF strip = panel->view().frames().background;
    const double stripTop = panel->frame().minY() + strip.top(), stripBottom = panel->frame().minY() + strip.bottom();
    EXPECT_EQ(strip.height(), 22);
    EXPECT_TRUE(stripTop < middle && stripBottom > middle) << "the strip at rest is not across the bar";

    // The pointer comes near: the badge opens and takes clicks; a click
    // on its icon brings the other xterm forward.
    const QPoint icon = panel->view().mapToGlobal(panel->view().frames().icons[0].center().toPoint());
    pointAt(session, icon);
    ASSERT_TRUE(session.waitFor([&] { return panel->expanded() && !panel->ignoresMouse() && panel->view().openness() == 1; }))
        << "the badge never opened under the pointer";
    const QPoint openIcon = panel->view().mapToGlobal(panel->view().frames().icons[0].center().toPoint());
    click(session, openIcon);
    EXPECT_TRUE(session.waitFor([&] { return rig.frontOf(one.window, two.window) == one.window; }))
        << "the other xterm never came to the front";
    ASSERT_TRUE(session.waitFor([&] { return !rig.stacks.shuffling(); }));

    // Resting on the new front's title-bar button opens its switcher; its card of the other
    // xterm brings that one back.
    const auto buttons = rig.access.minimizeButtonFrame(one.window);
    ASSERT_TRUE(buttons);
    WindowStackAnchorView* anchorView = nullptr;
    ASSERT_TRUE(session.waitFor([&] {
        for (const auto& [w, a] : presenter->anchors()) {
            if (w.element == one.window && a.origin == *buttons)
                anchorView = &dynamic_cast<QtAnchorPanel*>(presenter->panel(w))->view();
        }
        return anchorView != nullptr;
    }));
    pointAt(session, QPoint(int(buttons->midX()), int(buttons->midY())));
    ASSERT_TRUE(session.waitFor([&] { return anchorView->popoverShown() && anchorView->picker(); }, 8000))
        << "hover never opened the switcher";
    const auto choices = anchorView->picker()->choices();
    const auto card = std::find_if(choices.begin(), choices.end(), [&](const auto& c) { return c.first.element == two.window; });
    ASSERT_NE(card, choices.end());
    ASSERT_TRUE(session.waitFor([&] { return card->second->isVisible(); }));
    click(session, card->second->mapToGlobal(card->second->rect().center()));
    EXPECT_TRUE(session.waitFor([&] { return rig.frontOf(one.window, two.window) == two.window; }))
        << "choosing the other xterm in the switcher did not bring it forward";
    ASSERT_TRUE(session.waitFor([&] { return !rig.stacks.shuffling(); }));
    rig.stacks.stop();
}

// The columns of a title bar as drawn that hold ink: where some row's pixel differs from that
// row's median (the bar's own background, gradients and all) by more than 60 of 255 in
// lightness. The window manager's buttons, icon and title text.
std::vector<bool> inkColumns(const QImage& bar)
{
    std::vector<bool> ink(std::size_t(bar.width()), false);
    for (int y = 0; y < bar.height(); ++y) {
        std::vector<int> row;
        for (int x = 0; x < bar.width(); ++x)
            row.push_back(qGray(bar.pixel(x, y)));
        std::vector<int> sorted = row;
        std::nth_element(sorted.begin(), sorted.begin() + std::ptrdiff_t(sorted.size() / 2), sorted.end());
        const int median = sorted[sorted.size() / 2];
        for (int x = 0; x < bar.width(); ++x)
            ink[std::size_t(x)] = ink[std::size_t(x)] || std::abs(row[std::size_t(x)] - median) > 60;
    }
    return ink;
}

// With the badges on the title bar and "Place Badges Automatically" on, the badge leaves the
// spot beside the window manager's buttons for a free stretch of the real title bar: its strip
// at rest lies across the bar, on none of what the window manager drew there (its buttons, icon
// and the title's text, found in the bar's pixels before the badge showed). Also times one
// title-bar reading through the real path (printed, not asserted).
TEST(StackBadgesX11, PlacedAutomaticallyTheBadgeTakesAFreeStretchOfTheRealTitleBar)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bar to hold the badge under " << session.windowManager().toStdString();
    const QString wm = XSession::testWindowManager();
    if (wm != u"openbox"_qs && wm != u"metacity"_qs && wm != u"xfwm4"_qs)
        GTEST_SKIP() << "where " << wm.toStdString() << " draws the title is not known, so no free stretch is offered";
    test::XtermStack stack;
    ASSERT_TRUE(stack.start(session, u"badge one"_qs, u"badge two"_qs));
    auto [one, two, rig] = stack.parts();
    const auto frame = rig.ws.frame(two.window);
    const auto bar = rig.ws.titleBarHeight(two.window);
    ASSERT_TRUE(frame && bar);
    {
        QEventLoop redraw;   // the window manager draws the bar of the window it activated
        QTimer::singleShot(500, &redraw, &QEventLoop::quit);
        redraw.exec();
    }
    const std::vector<bool> ink = inkColumns(test::grab(Rect(frame->minX(), frame->minY(), frame->width(), *bar)));
    ASSERT_GT(std::count(ink.begin(), ink.end(), true), 10) << "nothing drawn in the title bar";

    std::vector<qint64> ns;
    for (int i = 0; i < 200; ++i) {
        QElapsedTimer t;
        t.start();
        const auto reading = readTitleBar(rig.ws, two.window);
        ns.push_back(t.nsecsElapsed());
        ASSERT_TRUE(reading);
    }
    std::sort(ns.begin(), ns.end());
    std::printf("one title-bar reading under %s: median %.1f us, p95 %.1f us\n",
                qPrintable(session.windowManager()), ns[100] / 1e3, ns[190] / 1e3);

    rig.stacks.setBadgesOnEdge(false);
    rig.stacks.setAutoPlaceBadges(true);
    rig.stacks.start();
    rig.stacks.refresh(true);
    auto* presenter = rig.stacks.presenter();
    ASSERT_TRUE(presenter);
    const TitleBarButtons wmButtons = rig.desktop.titleBarButtons();
    const double besideButtons = frame->maxX() - wmButtons.right * *bar - 4 - 56;
    BadgePanel* panel = nullptr;
    ASSERT_TRUE(session.waitFor([&] {
        const auto& badges = presenter->badges();
        if (badges.size() != 1)
            return false;
        const auto& badge = badges.begin()->second;
        panel = dynamic_cast<BadgePanel*>(badge.panel.get());
        return panel && panel->isVisible() && badge.frame.minX() != besideButtons && panel->frame() == badge.frame;
    })) << "the badge never left the spot beside the buttons";

    const QRectF strip = panel->view().frames().background;
    const double left = panel->frame().minX() + strip.left(), right = panel->frame().minX() + strip.right();
    const double top = panel->frame().minY() + strip.top(), bottom = panel->frame().minY() + strip.bottom();
    EXPECT_TRUE(top < frame->minY() + *bar && bottom > frame->minY() + *bar / 2) << "the strip is not across the bar";
    // Centred on the bar (to the pixel the rounding leaves), inside the frame on a bar thinner
    // than the strip.
    const double barMiddle = frame->minY() + *bar / 2;
    EXPECT_LE(std::abs((top + bottom) / 2 - barMiddle), strip.height() > *bar ? (strip.height() - *bar) / 2 + 0.5 : 0.5)
        << "strip " << top << ".." << bottom << " on a bar " << frame->minY() << ".." << frame->minY() + *bar;
    EXPECT_GE(top, frame->minY());
    const int from = int(left - frame->minX()) - 2, to = int(right - frame->minX()) + 2;
    ASSERT_TRUE(from >= 0 && to < int(ink.size())) << "the strip is not over the bar";
    for (int x = from; x <= to; ++x)
        EXPECT_FALSE(ink[std::size_t(x)]) << "the strip covers what the window manager drew at " << x;

    // The front's title changed as its client changes it, to one that fills the bar: the change
    // alone brings the badge back beside the buttons, no stretch being free.
    xcb_connection_t* c = session.connection();
    const auto intern = [c](const char* name) {
        auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = r ? r->atom : XCB_NONE;
        free(r);
        return atom;
    };
    const QByteArray title(200, 'x');
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, two.window, intern("_NET_WM_NAME"), intern("UTF8_STRING"), 8,
                        std::uint32_t(title.size()), title.constData());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, two.window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        std::uint32_t(title.size()), title.constData());
    xcb_flush(c);
    const int reads = presenter->titleBarReadCount();
    EXPECT_TRUE(session.waitFor([&] {
        const auto& badges = presenter->badges();
        return badges.size() == 1 && badges.begin()->second.frame.minX() == besideButtons;
    }, 5000)) << "the badge stayed on the stretch the new title covers; bars read " << presenter->titleBarReadCount() - reads
              << " times, the badge at " << (presenter->badges().empty() ? -1.0 : presenter->badges().begin()->second.frame.minX())
              << " not " << besideButtons;
    rig.stacks.stop();
}

// Two xterms in the right half of the display: the upright badge stands across the front's
// left edge (half over the empty left half), just below its title bar, the compact strip
// centred on the edge, and shows: only the part over the window counts for the cover test.
TEST(StackBadgesX11, OnTheEdgeTheBadgeStandsAcrossTheFrontsLeftEdge)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bar to hold the badge under " << session.windowManager().toStdString();
    auto one = session.startXterm(u"edge one"_qs);
    auto two = session.startXterm(u"edge two"_qs);
    ASSERT_TRUE(one.window && two.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    const Rect right = SnapLayout::builtIns().front().tree.frames(topLeftVisibleFrame(rig.screens.screens().front()), 8).at(1);
    ASSERT_TRUE(rig.ws.setFrame(one.window, right) && rig.ws.setFrame(two.window, right) && session.activate(two.window));
    ASSERT_TRUE(rig.startDragMonitor());   // the pointer's moves, which open the badge

    rig.stacks.start();
    auto* presenter = rig.stacks.presenter();
    ASSERT_TRUE(presenter);
    const auto across = [&] {
        const auto frame = rig.ws.frame(two.window);
        const auto bar = rig.ws.titleBarHeight(two.window);
        const auto& badges = presenter->badges();
        if (!frame || !bar || badges.size() != 1)
            return ::testing::AssertionFailure() << badges.size() << " badges";
        const auto& badge = badges.begin()->second;
        const Rect expected(frame->minX() - 18, frame->minY() + *bar - std::min(4.0, *bar / 4) + 6, 36, 56);
        const Rect window = badge.panel->frame();
        if (badge.front.element != two.window || !(badge.frame == expected) || !(window == expected)
            || !badge.panel->isVisible())
            return ::testing::AssertionFailure()
                << "badge at " << toString(badge.frame).toStdString() << ", its window at "
                << toString(window).toStdString() << ", expected " << toString(expected).toStdString()
                << (badge.panel->isVisible() ? "" : ", hidden");
        return ::testing::AssertionSuccess();
    };
    EXPECT_TRUE(session.waitFor([&] { return bool(across()); })) << across().message();

    // Open under the pointer, it offers no move it would undo: no grip and no tip to drag, and
    // a drag from it leaves it standing where it stood.
    auto* panel = dynamic_cast<BadgePanel*>(presenter->badges().begin()->second.panel.get());
    ASSERT_TRUE(panel);
    const Rect standing = panel->frame();
    const QPoint icon = panel->view().mapToGlobal(panel->view().frames().icons[0].center().toPoint());
    pointAt(session, icon);
    ASSERT_TRUE(session.waitFor([&] { return panel->expanded() && panel->view().openness() == 1; }))
        << "the badge never opened under the pointer";
    const auto open = panel->view().frames();
    EXPECT_EQ(open.gripOpacity, 0);
    EXPECT_EQ(panel->view().toolTipAt(open.grip.center()), QString());
    const QPoint from = panel->view().mapToGlobal(open.icons[0].center().toPoint());
    pointAt(session, from);
    session.pressButton(1);
    for (int step = 1; step <= 6; ++step)
        session.moveRelative(10, 8);
    EXPECT_FALSE(session.waitFor([&] { return panel->isDragging() || !(panel->frame() == standing); }, 1000))
        << "the badge followed the drag to " << toString(panel->frame()).toStdString();
    session.releaseButton(1);
    EXPECT_FALSE(panel->isDragging());
    EXPECT_EQ(panel->frame(), standing);
    rig.stacks.stop();
}

// A header-bar window (GTK draws its own title bar; every window manager here then draws
// none) and an xterm placed in one region over the display stack there. With the GTK window in
// front the badge stands upright on its left edge just below the top of its frame; with the
// xterm in front, short of the region by part of a cell, its badge shows below its title bar:
// nothing of the stack counts as covering it. Both edges are the screen's: the badges are
// pushed right to 1 point inside it.
TEST(StackBadgesX11, HeaderBarWindowsAndTerminalsInFrontOfAStackShowTheirBadgesInside)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bar to hold the badge under " << session.windowManager().toStdString();
    auto term = session.startXterm(u"with the header bar"_qs, {"-fa", "DejaVuSansMono", "-fs", "13"});
    ASSERT_TRUE(term.window) << session.error();
    const pid_t gtkPid = session.spawn({u"gtk3-widget-factory"_qs});
    ASSERT_TRUE(gtkPid) << session.error();

    SessionApp app(session);
    CoordinatorRig rig(session);
    // Found in the window list: metacity states no frame extents for a window it draws nothing
    // around.
    xcb_window_t gtk = XCB_NONE;
    ASSERT_TRUE(session.waitFor([&] {
        for (const WindowInfo& info : rig.ws.snapshot()) {
            if (info.pid == gtkPid && info.title == u"gtk3-widget-factory"_qs && info.onScreen)
                gtk = xcb_window_t(info.id);
        }
        return gtk != XCB_NONE;
    }, 15000)) << "no gtk3-widget-factory window (gtk-3-examples)";
    // One region over the display: the factory keeps at least 1366 × 741.
    const SnapLayout whole{u"user-1"_qs, u"Whole"_qs, RegionTree::leaf(0), std::nullopt};
    const ScreenInfo screen = rig.screens.screens().front();
    for (xcb_window_t w : {term.window, gtk}) {
        const auto done = rig.placeWindow(w, 0, whole, screen);
        ASSERT_TRUE(session.waitFor([&] { return done->has_value(); }, 10000) && **done)
            << rig.notices.join(u" | "_qs).toStdString();
    }
    rig.stacks.start();
    auto* presenter = rig.stacks.presenter();
    ASSERT_TRUE(presenter);
    // Upright, on the window's left edge, 2 points below its title bar (6 below the top of a
    // window without one).
    const auto badgeInside = [&](xcb_window_t front) {
        const auto frame = rig.ws.frame(front);
        const auto bar = rig.ws.titleBarHeight(front);
        const double below = bar ? *bar - std::min(4.0, *bar / 4) + 6 : 6;
        const auto& badges = presenter->badges();
        if (!frame || badges.size() != 1)
            return ::testing::AssertionFailure() << badges.size() << " badges";
        const auto& badge = badges.begin()->second;
        const Rect expected(std::max(frame->minX() - 18, screen.visibleFrame.minX() + 1), frame->minY() + below, 36, 56);
        if (badge.front.element != front || !(badge.frame == expected)
            || !badge.panel->isVisible() || !(badge.panel->frame() == badge.frame))
            return ::testing::AssertionFailure()
                << "badge at " << toString(badge.frame).toStdString() << ", expected " << toString(expected).toStdString()
                << ", its panel at " << toString(badge.panel->frame()).toStdString()
                << (badge.panel->isVisible() ? "" : ", hidden");
        return ::testing::AssertionSuccess();
    };
    EXPECT_TRUE(session.waitFor([&] { return bool(badgeInside(gtk)); })) << badgeInside(gtk).message();
    EXPECT_FALSE(rig.ws.titleBarHeight(gtk)) << "the window manager drew a title bar";

    ASSERT_TRUE(session.activate(term.window));
    EXPECT_TRUE(session.waitFor([&] { return bool(badgeInside(term.window)); })) << badgeInside(term.window).message();
    rig.stacks.stop();
}

// The stacks started with the badges beside the title bar's buttons (no reading of the bar
// places them); the one badge once it shows, else null.
BadgePanel* startWithBadgeBesideButtons(XSession& session, CoordinatorRig& rig)
{
    rig.stacks.setBadgesOnEdge(false);
    rig.stacks.setAutoPlaceBadges(false);
    rig.stacks.start();
    rig.stacks.refresh(true);
    auto* presenter = rig.stacks.presenter();
    BadgePanel* panel = nullptr;
    session.waitFor([&] {
        const auto& badges = presenter->badges();
        panel = badges.size() == 1 ? dynamic_cast<BadgePanel*>(badges.begin()->second.panel.get()) : nullptr;
        return panel && panel->isVisible();
    });
    return panel && panel->isVisible() ? panel : nullptr;
}

// The badge shows on the front xterm's title bar. A window kept above the others, put over the
// badge (clear of the title-bar buttons), hides it, and moved off, the badge shows again; so
// does a dialog of ours kept above, shown over it and closed.
TEST(StackBadgesX11, AWindowKeptAboveAndADialogOfOursOverTheBadgeHideIt)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bar to hold the badge under " << session.windowManager().toStdString();
    test::XtermStack stack;
    ASSERT_TRUE(stack.start(session, u"covered one"_qs, u"covered two"_qs));
    auto [one, two, rig] = stack.parts();
    ASSERT_TRUE(startWithBadgeBesideButtons(session, rig)) << "no badge";
    auto* presenter = rig.stacks.presenter();
    const auto shown = [&] {
        const auto& badges = presenter->badges();
        return badges.size() == 1 && badges.begin()->second.panel->isVisible();
    };
    // Passes come every 5 s on a desktop idle that long.
    const int pass = 12000;
    const Rect spot = presenter->badges().begin()->second.frame;
    const double top = topLeftVisibleFrame(rig.screens.screens().front()).minY();
    // Over the badge, clear of the title bar's buttons beside it (where an anchor waits).
    const Rect over(spot.maxX() - 400, std::max(spot.minY() - 60, top), 400, 300);
    const auto covers = [&](xcb_window_t w) {
        const auto f = rig.ws.frame(w);
        return f && f->intersection(spot) == spot;
    };

    const bool keepsAbove = session.windowManager() != u"pekwm"_qs && session.windowManager() != u"evilwm"_qs;
    if (keepsAbove) {
        auto above = session.startTestClient(u"kept above"_qs, {"--size", "400x300", "--position", "1400,700"});
        ASSERT_TRUE(above.window) << session.error();
        ASSERT_TRUE(session.keepAbove(above.window)) << "the window manager did not keep it above";
        // A busy manager may apply the write after the write's own bounded wait.
        ASSERT_TRUE(rig.ws.setFrame(above.window, over));
        ASSERT_TRUE(session.waitFor([&] { return covers(above.window); }))
            << "the window at " << toString(rig.ws.frame(above.window).value_or(Rect())).toStdString() << ", asked "
            << toString(over).toStdString() << ", the badge at " << toString(spot).toStdString();
        EXPECT_TRUE(session.waitFor([&] { return !shown(); }, pass)) << "the badge stayed over the window kept above";
        const Rect visible = topLeftVisibleFrame(rig.screens.screens().front());
        ASSERT_TRUE(rig.ws.setFrame(above.window, Rect(visible.maxX() - 420, visible.maxY() - 320, 400, 300)));
        EXPECT_TRUE(session.waitFor(shown, pass)) << "the badge never came back";
    }

    // A dialog of ours kept above the others, as the Import and Export Layouts panels are.
    QDialog dialog;
    dialog.setWindowTitle(u"Import Layouts"_qs);
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.resize(int(over.width()), int(over.height()));
    dialog.move(int(over.minX()), int(over.minY()));
    dialog.show();
    const auto id = xcb_window_t(dialog.winId());
    ASSERT_TRUE(session.waitFor([&] { return session.isViewable(id) && covers(id); }))
        << "our dialog never came over the badge";
    EXPECT_TRUE(session.waitFor([&] { return !shown(); }, pass)) << "the badge stayed over our own dialog";
    dialog.hide();
    EXPECT_TRUE(session.waitFor(shown, pass)) << "the badge never came back after our dialog closed";
    rig.stacks.stop();
}

// Halves, the test client placed left and two xterms placed right: the stack's badge stands
// across the right half's left edge, on the shared divider. Resting on the divider below the
// badge shows the "Resize together" hint; resting on the badge there, the pointer is on the
// badge, where a drag moves no edge: the hint goes.
TEST(StackBadgesX11, OnABadgeOverTheSharedDividerNoResizeHintShows)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bar to hold the badge under " << session.windowManager().toStdString();
    auto neighbour = session.startTestClient(u"neighbour"_qs, {"--position", "100,200"});
    auto one = session.startXterm(u"divider one"_qs, {"-geometry", "80x24+700+100"});
    auto two = session.startXterm(u"divider two"_qs, {"-geometry", "80x24+900+300"});
    ASSERT_TRUE(neighbour.window && one.window && two.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    const auto screen = rig.screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(screen);
    const SnapLayout& halves = SnapLayout::builtIns().front();
    for (const auto& [window, region] : {std::pair{neighbour.window, 0}, std::pair{one.window, 1}, std::pair{two.window, 1}}) {
        const auto done = rig.placeWindow(window, RegionNumber(region), halves, *screen);
        ASSERT_TRUE(session.waitFor([&] { return done->has_value(); }, 10000) && **done) << "not placed";
    }
    ASSERT_TRUE(session.activate(two.window));
    rig.stacks.start();
    auto* presenter = rig.stacks.presenter();
    const Rect right = halves.tree.frames(topLeftVisibleFrame(*screen), 8).at(1);
    Rect badge;
    ASSERT_TRUE(session.waitFor([&] {
        rig.stacks.refresh(true);
        const auto& badges = presenter->badges();
        if (badges.size() != 1 || !badges.begin()->second.panel->isVisible())
            return false;
        badge = badges.begin()->second.panel->frame();
        return badge.minX() < right.minX() && badge.maxX() > right.minX() + 2;
    })) << "no badge across the divider";

    const auto hintShown = [&] {
        const OverlayWindow* hint = rig.overlay.feedback().hint();
        return hint && hint->isOrderedIn();
    };
    // Inside the xterm, within the divider's reach: below the badge, then on it.
    pointAt(session, QPoint(int(right.minX()) + 2, int(topLeftVisibleFrame(*screen).midY())));
    ASSERT_TRUE(session.waitFor(hintShown)) << "no hint on the divider";
    // The hint follows the pointer at most ten times a second: a resting hand moves a little.
    pointAt(session, QPoint(int(right.minX()) + 2, int(badge.midY())));
    int step = 1;
    EXPECT_TRUE(session.waitFor([&] {
        session.moveRelative(step = -step, 0);
        return !hintShown();
    })) << "the hint stayed over the badge";
    rig.stacks.stop();
}

// A badge never takes the keyboard, yet resting the pointer (XTest) on an icon of the open
// badge shows its tooltip: the toolkit's tooltip window maps on the server, in front of the
// badge, naming the member the icon brings forward by its application and window title.
TEST(StackBadgesX11, RestingOnABadgeIconShowsTheMembersApplicationAndTitle)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bar to hold the badge under " << session.windowManager().toStdString();
    test::XtermStack stack;
    ASSERT_TRUE(stack.start(session, u"tip one"_qs, u"tip two"_qs));
    auto [one, two, rig] = stack.parts();
    ASSERT_TRUE(rig.startDragMonitor());
    BadgePanel* panel = startWithBadgeBesideButtons(session, rig);
    ASSERT_TRUE(panel) << "no badge";
    ASSERT_EQ(panel->view().members().size(), 1u);
    const ManagedWindow member = panel->view().members().front();
    ASSERT_EQ(member.element, one.window);

    pointAt(session, panel->view().mapToGlobal(panel->view().frames().icons[0].center().toPoint()));
    ASSERT_TRUE(session.waitFor([&] { return panel->expanded() && !panel->ignoresMouse() && panel->view().openness() == 1; }))
        << "the badge never opened under the pointer";
    EXPECT_FALSE(panel->window().isActiveWindow()) << "the badge took the keyboard";

    pointAt(session, panel->view().mapToGlobal(panel->view().frames().icons[0].center().toPoint()));
    // The tooltip's window as the server has it (the toolkit may have made its native window
    // anew since the widget's id was taken).
    QLabel* tip = nullptr;
    const auto tipWindow = [&] { return xcb_window_t(tip->windowHandle() ? tip->windowHandle()->winId() : tip->winId()); };
    ASSERT_TRUE(session.waitFor([&] {
        tip = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->inherits("QTipLabel") && w->isVisible())
                tip = qobject_cast<QLabel*>(w);
        }
        // What the toolkit asked of the server reaches it (the loop here never blocks, where
        // the toolkit would send it).
        QGuiApplication::sync();
        return tip && session.isViewable(tipWindow());
    })) << "no tooltip mapped";
    EXPECT_EQ(tip->text(), member.appName + u" — "_qs + member.title);
    EXPECT_EQ(member.title, u"tip one"_qs);
    EXPECT_FALSE(member.appName.isEmpty());
    // In front of the badge, also once a pass raised the badges above the windows again.
    const auto tipOverBadge = [&] {
        QGuiApplication::sync();
        const auto stacking = session.rootChildren();   // bottom to top
        const auto at = [&](xcb_window_t w) { return std::find(stacking.begin(), stacking.end(), w) - stacking.begin(); };
        return at(tipWindow()) > at(xcb_window_t(panel->window().windowHandle()->winId()));
    };
    EXPECT_TRUE(tipOverBadge()) << "the tooltip is under the badge";
    rig.stacks.setNeedsPresentationRefresh();
    rig.stacks.refresh(false);
    EXPECT_TRUE(tip->isVisible() && tipOverBadge()) << "the pass put the badge over the tooltip";
    rig.stacks.stop();
}

// Lets the program run for the time a hand takes (a held press, a pause between clicks).
void handTime(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Ten clicks in the front xterm of a stack, each held as a hand holds it, with the drag
// monitor following them as the program's does: the badge's window never unmaps nor goes
// away, as the server tells a client of its own watching it. A press that has not become a
// drag or a resize leaves the badges as they are.
TEST(StackBadgesX11, ClicksOnTheFrontWindowNeverUnmapItsBadge)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    test::XtermStack stack;
    ASSERT_TRUE(stack.start(session, u"click one"_qs, u"click two"_qs));
    auto [one, two, rig] = stack.parts();
    ASSERT_TRUE(rig.startDragMonitor());
    rig.stacks.start();
    rig.stacks.refresh(true);
    auto* presenter = rig.stacks.presenter();
    ASSERT_TRUE(presenter);
    BadgePanel* panel = nullptr;
    ASSERT_TRUE(session.waitFor([&] {
        const auto& badges = presenter->badges();
        panel = badges.size() == 1 ? dynamic_cast<BadgePanel*>(badges.begin()->second.panel.get()) : nullptr;
        return panel && panel->isVisible();
    })) << "no badge";

    xcb_connection_t* watch = xcb_connect(session.display().constData(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(watch));
    const xcb_window_t badge = xcb_window_t(panel->window().winId());
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(watch, badge, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(watch, xcb_get_input_focus(watch), nullptr));

    const auto frame = rig.ws.frame(two.window);
    ASSERT_TRUE(frame);
    const QPoint inside(int(frame->midX()), int(frame->midY()));
    for (int i = 0; i < 10; ++i) {
        pointAt(session, inside);
        session.pressButton(1);
        handTime(150);
        session.releaseButton(1);
        handTime(250);
    }
    handTime(500);   // the refresh after the last click
    int unmaps = 0;
    while (xcb_generic_event_t* event = xcb_poll_for_event(watch)) {
        const auto type = event->response_type & 0x7f;
        unmaps += type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY ? 1 : 0;
        free(event);
    }
    xcb_disconnect(watch);
    EXPECT_EQ(unmaps, 0) << "the badge blinked";
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(rig.ws.frame(two.window), frame) << "the clicks moved the window";
    rig.stacks.stop();
}

// Photographs (with FRAMEWELL_SHOTS_DIR set) of a badge at rest and open, an upright badge on
// the window's edge, and the switcher's popover, over xterms full of text with a compositor.
TEST(StackBadgesX11, Screenshots)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "FRAMEWELL_SHOTS_DIR is not set";
    XSession session{test::XSessionOptions{1920, 1080, true, XSession::shotsCompositor().value_or(true)}};
    ASSERT_TRUE(session.ok()) << session.error();
    const QStringList text{"-bg", "#fdf6e3", "-fg", "#303030", "-e", "sh", "-c",
                           "cat /usr/share/common-licenses/GPL-3; exec cat"};
    auto one = session.startXterm(u"shot one"_qs, QStringList{"-geometry", "100x40+100+100"} + text);
    auto two = session.startXterm(u"shot two"_qs, QStringList{"-geometry", "100x40+400+300"} + text);
    ASSERT_TRUE(one.window && two.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    ASSERT_TRUE(rig.stackInLeftHalf(session, one.window, two.window));
    ASSERT_TRUE(rig.startDragMonitor());
    const auto shoot = [&](const QString& name) {
        QEventLoop wait;
        QTimer::singleShot(600, &wait, &QEventLoop::quit);
        wait.exec();
        ASSERT_TRUE(QDir().mkpath(dir));
        EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0, 0, 0, 980, 420).toImage().save(dir + "/" + name));
    };

    rig.stacks.setBadgesOnEdge(false);
    rig.stacks.start();
    rig.stacks.refresh(true);
    auto* presenter = rig.stacks.presenter();
    ASSERT_TRUE(session.waitFor([&] { return presenter->badges().size() == 1; }));
    auto* panel = dynamic_cast<BadgePanel*>(presenter->badges().begin()->second.panel.get());
    pointAt(session, QPoint(600, 400));
    shoot(u"badge-compact.png"_qs);
    pointAt(session, panel->view().mapToGlobal(panel->view().frames().icons[0].center().toPoint()));
    ASSERT_TRUE(session.waitFor([&] { return panel->view().openness() == 1; }));
    shoot(u"badge-open.png"_qs);

    rig.stacks.setBadgesOnEdge(true);
    ASSERT_TRUE(session.waitFor([&] { return presenter->badges().size() == 1; }));
    pointAt(session, QPoint(600, 400));
    shoot(u"badge-edge.png"_qs);

    const auto buttons = rig.access.minimizeButtonFrame(two.window);
    ASSERT_TRUE(buttons);
    pointAt(session, QPoint(int(buttons->midX()), int(buttons->midY())));
    ASSERT_TRUE(session.waitFor([&] { return rig.stacks.visiblePanelCount() == 1; }, 8000));
    shoot(u"switcher-popover.png"_qs);
    rig.stacks.stop();
}

} // namespace
} // namespace fw
