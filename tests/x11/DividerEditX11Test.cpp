// A divider edit over a stack on a real server (Xvfb, the test window manager): two xterms
// stacked in the left half of "Halves" and the test client in the right; the divider editor
// is opened as the "Adjust Shared Dividers" command opens it (the editor and its bar each
// unmanaged: no window manager's frame for a compositor to shadow), its handle is dragged 300
// pixels left with XTest and "Done" (still above the editor after the press) is pressed. Every
// member of the stack takes the new left region (none of it is left over the neighbour), the
// client takes the new right region, and the two xterms still form one stack.
#include "layout/ScreenGeometry.h"
#include "overlay/ActionButton.h"
#include "overlay/DividerEditorView.h"
#include "snap/AppliedLayouts.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace test;

QString describe(const std::optional<Rect>& frame) { return frame ? toString(*frame) : u"nowhere"_qs; }

// Where the server has a widget's centre (the window manager may have moved its panel since
// Qt last heard).
std::optional<Point> onScreen(XSession& session, QWidget* widget, const QPointF& local)
{
    QWidget* top = widget->window();
    const auto at = session.rootPosition(xcb_window_t(top->winId()));
    if (!at)
        return std::nullopt;
    const QPointF inTop = widget->mapTo(top, local);
    return Point{at->x + inTop.x(), at->y + inTop.y()};
}

TEST(DividerEditX11, DraggingTheDividerCarriesEveryMemberOfAStackAndKeepsItOneStack)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto back = session.startXterm(u"stacked behind"_qs, {"-geometry", "80x24+100+100"});
    auto front = session.startXterm(u"stacked in front"_qs, {"-geometry", "80x24+300+200"});
    auto client = session.startTestClient(u"neighbour"_qs, {"--position", "1100,200"});
    ASSERT_TRUE(back.window && front.window && client.window) << session.error();
    SessionApp app(session);
    CoordinatorRig rig(session);
    const auto screen = rig.screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(screen);
    const SnapLayout& halves = SnapLayout::builtIns().front();
    for (const auto& [window, region] : {std::pair{client.window, 1}, std::pair{back.window, 0}, std::pair{front.window, 0}}) {
        const auto done = rig.placeWindow(window, RegionNumber(region), halves, *screen);
        ASSERT_TRUE(session.waitFor([&] { return done->has_value(); }, 10000) && **done)
            << describe(rig.ws.frame(window)).toStdString() << "; " << rig.notices.join(u" | "_qs).toStdString();
    }
    rig.stacks.start();
    rig.stacks.refresh(true);
    const auto oneStackOfBoth = [&] {
        const auto& stacks = rig.stacks.presented();
        if (stacks.size() != 1 || stacks[0].members.size() != 2)
            return false;
        const auto& m = stacks[0].members;
        return std::any_of(m.begin(), m.end(), [&](const ManagedWindow& w) { return w.element == back.window; })
            && std::any_of(m.begin(), m.end(), [&](const ManagedWindow& w) { return w.element == front.window; });
    };
    ASSERT_TRUE(oneStackOfBoth()) << "no stack of the two xterms to begin with";

    // The editor over the display's layout, its divider's handle pressed and dragged 300
    // pixels left as a hand would.
    rig.coordinator->adjustLayout(*screen);
    DividerEditorView* view = rig.overlay.editorView();
    ASSERT_TRUE(view);
    ASSERT_TRUE(session.waitFor([&] { return session.isViewable(xcb_window_t(view->window()->winId())); }));
    session.syncWithWindowManager();
    for (QWidget* panel : {view->window(), static_cast<QWidget*>(rig.overlay.editorToolbar())}) {
        const auto window = xcb_window_t(panel->winId());
        EXPECT_EQ(session.topLevelOf(window), window) << "a window manager's frame round " << window;
    }
    const auto dividers = view->dividers();
    ASSERT_EQ(dividers.size(), 1u);
    const QRectF handle = DividerEditorView::handleRect(dividers[0], view->width(), view->height());
    const auto grip = onScreen(session, view, handle.center());
    ASSERT_TRUE(grip);
    session.warpPointer(int(grip->x), int(grip->y));
    session.pressButton(1);
    test::glide(session, -300, 0, 20);
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] {
        const LayoutGroup& group = rig.coordinator->groups().at(displayKey(*screen));
        return !(group.layout.tree == halves.tree) && !rig.state.interaction.mutating
            && !rig.state.interaction.pendingEdit;
    }, 10000)) << "the edit was not applied; notices: " << rig.notices.join(u" | "_qs).toStdString();

    // "Done", still above the editor after the press, ends the editing.
    auto* done = rig.overlay.editorToolbar()->findChild<ActionButton*>("doneButton");
    ASSERT_TRUE(done);
    const auto barAboveEditor = [&] {
        const auto kids = session.rootChildren();
        auto pos = [&](xcb_window_t w) { return std::find(kids.begin(), kids.end(), w) - kids.begin(); };
        return pos(session.topLevelOf(xcb_window_t(rig.overlay.editorToolbar()->winId())))
            > pos(session.topLevelOf(xcb_window_t(rig.overlay.editor()->winId())));
    };
    ASSERT_TRUE(session.waitFor(barAboveEditor, 3000)) << "the editor buried its bar";
    const auto doneAt = onScreen(session, done, QRectF(done->rect()).center());
    ASSERT_TRUE(doneAt);
    session.warpPointer(int(doneAt->x), int(doneAt->y));
    session.pressButton(1);
    session.releaseButton(1);
    EXPECT_TRUE(session.waitFor([&] { return !rig.overlay.editorView(); })) << "the editor stayed";

    // The divider moved about 300 pixels left; every window is read back in its new region,
    // the xterms on their cell grids, and no xterm reaches past the left region.
    const LayoutGroup& group = rig.coordinator->groups().at(displayKey(*screen));
    const auto frames = regionFrames(group.layout, *screen);
    const Rect left = frames.at(0), right = frames.at(1);
    EXPECT_NEAR(left.width(), regionFrames(halves, *screen).at(0).width() - 300, 12) << toString(left).toStdString();
    const auto inRegion = [&](xcb_window_t w, const Rect& region) {
        const auto frame = rig.ws.frame(w);
        const auto hints = rig.ws.sizeHints(w);
        return frame && sitsIn(*frame, region, hints ? hints->increment : Size{}, 5.0);
    };
    EXPECT_TRUE(session.waitFor([&] {
        return inRegion(back.window, left) && inRegion(front.window, left) && inRegion(client.window, right);
    }, 10000)) << "behind at " << describe(rig.ws.frame(back.window)).toStdString() << ", in front at "
               << describe(rig.ws.frame(front.window)).toStdString() << ", client at "
               << describe(rig.ws.frame(client.window)).toStdString() << "; regions " << toString(left).toStdString()
               << " and " << toString(right).toStdString();
    for (xcb_window_t w : {back.window, front.window}) {
        const auto frame = rig.ws.frame(w);
        ASSERT_TRUE(frame);
        EXPECT_LE(frame->maxX(), left.maxX() + 1) << w << " reaches over the neighbour";
    }
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();

    // Still one stack of both, in the new region.
    EXPECT_TRUE(session.waitFor([&] {
        rig.stacks.refresh(true);
        return oneStackOfBoth();
    })) << rig.stacks.presented().size() << " stacks";
    rig.stacks.stop();
}

} // namespace
} // namespace fw
