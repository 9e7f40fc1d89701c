// Drags the window manager moves other than by the first pointer's title bar, on a real server
// with the coordinator, the drag monitor and the real mouse monitor in the test process: a
// window dragged from inside with the window manager's move key held from the press (Alt+drag;
// metacity's key is Super) reaches the picker at the top centre and its release, the key still
// held, places the window; and a title-bar drag with a second master pointer (xinput
// create-master) does the same, followed by that pointer's own position (under evilwm, which
// has no title bars, an Alt+drag of the second pointer). Pressed with the move key just inside
// a placed window's side edge, the drag is a move too, and its release spans nothing.
#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/PickerGeometry.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/XSession.h"
#include "x11/XtermRigs.h"

#include <gtest/gtest.h>
#include <xcb/xinput.h>

#include <cstdlib>

namespace fw {
namespace {

using test::CoordinatorRig;
using test::SessionApp;
using test::XSession;
using test::glide;
using test::glideTo;

QString describe(const std::optional<Rect>& frame) { return frame ? toString(*frame) : u"nowhere"_qs; }

// The key a window manager moves a window with from anywhere inside it, as it is set up here.
xcb_keysym_t moveKey(const XSession& session)
{
    return session.windowManager() == QLatin1String("metacity") ? test::SuperL : test::AltL;
}

// Presses inside the client with the move key held: the window manager's move.
void pressWithMoveKey(XSession& session, xcb_window_t client)
{
    const auto frame = session.wmFrame(client);
    test::key(session, moveKey(session), true);
    session.warpPointer(int(frame->midX()), int(frame->midY()));
    session.pressButton(1);
}

// With a window pressed for a move: the pointer to the top centre until the picker shows, then
// over "Halves" region `index`, and let go; the move key (when held) after the button.
testing::AssertionResult releaseOverHalves(XSession& session, CoordinatorRig& rig, const Rect& visible, int index,
                                           xcb_window_t client, std::optional<xcb_keysym_t> heldKey)
{
    if (!session.waitFor([&] { return rig.monitor->candidate().has_value(); }))
        return testing::AssertionFailure() << "the press was not followed";
    glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
    if (!session.waitFor([&] { return rig.overlay.picker && rig.overlay.pickerView; }))
        return testing::AssertionFailure() << "no picker; window at " << describe(session.wmFrame(client)).toStdString()
                                           << ", pointer at " << toString(*session.pointer()).toStdString();
    if (!rig.monitor->dragging() || rig.monitor->resizing())
        return testing::AssertionFailure() << "the move was not taken for a move";
    const PickerGeometry& geometry = rig.overlay.pickerView->geometry();
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    const Rect region = geometry.cards.front().regions.at(size_t(index));
    glideTo(session, {panel.minX() + region.midX(), panel.minY() + region.midY()}, 6);
    if (!session.waitFor([&] { return rig.overlay.pickerView && rig.state.picker.selection == SnapSelection{0, index}; }))
        return testing::AssertionFailure() << "the pointer is not over Halves region " << index;
    session.releaseButton(1);
    if (heldKey)
        test::key(session, *heldKey, false);
    return testing::AssertionSuccess();
}

// The xterm in the region on its cell grid, recorded there, with no notice.
testing::AssertionResult placedIn(XSession& session, CoordinatorRig& rig, xcb_window_t client, const ScreenInfo& screen,
                                  int index)
{
    const Rect target = regionFrames(SnapLayout::builtIns().front(), screen).at(size_t(index));
    const auto hints = rig.ws.sizeHints(client);
    const Size step = hints ? hints->increment : Size{1, 1};
    const auto onGrid = [&](const std::optional<Rect>& f) {
        return f && f->origin == target.origin && f->width() <= target.width() && target.width() - f->width() < step.width &&
               f->height() <= target.height() && target.height() - f->height() < step.height;
    };
    if (!session.waitFor([&] { return onGrid(session.wmFrame(client)) && !rig.state.interaction.mutating; }, 10000))
        return testing::AssertionFailure() << "window at " << describe(session.wmFrame(client)).toStdString() << ", region "
                                           << toString(target).toStdString() << "; notices: "
                                           << rig.notices.join(u" | "_qs).toStdString();
    const auto& groups = rig.coordinator->groups();
    const auto group = groups.find(displayKey(screen));
    if (group == groups.end() || !group->second.windows.count(index) || group->second.windows.at(index).element != client)
        return testing::AssertionFailure() << "not recorded in region " << index;
    if (!rig.notices.isEmpty())
        return testing::AssertionFailure() << rig.notices.join(u" | "_qs).toStdString();
    return testing::AssertionSuccess();
}

// A second master pointer ("Second pointer", with its own XTest devices), made the client
// pointer of the session's connection: its fake input, warps and pointer queries now go to the
// second pointer, and the first stays where it is. Its id, or 0.
std::uint16_t useSecondPointer(XSession& session)
{
    if (session.run({u"xinput"_qs, u"create-master"_qs, u"Second"_qs}) != 0)
        return 0;
    xcb_connection_t* c = session.connection();
    auto* reply = xcb_input_xi_query_device_reply(c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), nullptr);
    std::uint16_t id = 0;
    for (auto it = reply ? xcb_input_xi_query_device_infos_iterator(reply) : xcb_input_xi_device_info_iterator_t{};
         it.rem; xcb_input_xi_device_info_next(&it)) {
        const QByteArray name(xcb_input_xi_device_info_name(it.data), xcb_input_xi_device_info_name_length(it.data));
        if (it.data->type == XCB_INPUT_DEVICE_TYPE_MASTER_POINTER && name == "Second pointer")
            id = it.data->deviceid;
    }
    std::free(reply);
    if (!id)
        return 0;
    xcb_generic_error_t* error = xcb_request_check(c, xcb_input_xi_set_client_pointer_checked(c, XCB_NONE, id));
    std::free(error);
    return error ? 0 : id;
}

TEST(MoveKeyDragX11, AWindowDraggedFromInsideWithTheMoveKeyHeldIsPlacedThroughThePicker)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    test::XtermDrag drag;
    ASSERT_TRUE(drag.start(session, u"move key"_qs, {"-geometry", "80x24+500+400"}));
    auto [term, rig, screen, visible] = drag.parts();

    const auto start = session.wmFrame(term.window);
    ASSERT_TRUE(start);
    pressWithMoveKey(session, term.window);
    EXPECT_TRUE(releaseOverHalves(session, rig, visible, 1, term.window, moveKey(session)));
    EXPECT_TRUE(placedIn(session, rig, term.window, *screen, 1));
}

TEST(MoveKeyDragX11, ATitleBarDragWithASecondMasterPointerIsPlacedThroughThePicker)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("xfwm4"))
        GTEST_SKIP() << "xfwm4 moves a window only by the first master pointer";
    test::XtermDrag drag;
    ASSERT_TRUE(drag.start(session, u"second pointer"_qs, {"-geometry", "80x24+500+400"}));
    auto [term, rig, screen, visible] = drag.parts();

    // The first pointer rests at the bottom left, away from the drag.
    session.warpPointer(40, 1000);
    ASSERT_TRUE(useSecondPointer(session)) << "no second master pointer";
    const bool titleBars = session.titleBars();
    if (titleBars)
        ASSERT_TRUE(test::pressTitleBar(session, term.window));
    else
        pressWithMoveKey(session, term.window);
    EXPECT_TRUE(releaseOverHalves(session, rig, visible, 0, term.window,
                                  titleBars ? std::nullopt : std::optional<xcb_keysym_t>(moveKey(session))));
    EXPECT_TRUE(placedIn(session, rig, term.window, *screen, 0));
}

// The move key held from a press 4 px inside a placed xterm's right edge (Halves on the left
// monitor, the test client in the other half), the pointer taken by (+200, +100) onto the right
// monitor and let go with the key still held: the window manager moves the xterm, and the
// release neither spans nor resizes anything: the xterm keeps its size where it was let go,
// away from its region, and the neighbour keeps its frame. Under metacity the key is Super, the
// key that makes a resize span.
TEST(MoveKeyDragX11, TheMoveKeyHeldJustInsideAPlacedWindowsEdgeMovesItAndSpansNothing)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    const QString wm = session.windowManager();
    if (wm == QLatin1String("icewm") || wm == QLatin1String("pekwm"))
        GTEST_SKIP() << wm.toStdString() << " resizes a window pressed with Alt near its edge";
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    test::XtermDrag drag;
    ASSERT_TRUE(drag.start(session, u"move key edge"_qs, {"-geometry", "80x24+1100+200"}));
    auto [term, rig, screen, visible] = drag.parts();
    const auto client = session.startTestClient(u"neighbour"_qs, {"--position", "100,100"});
    ASSERT_TRUE(client.window) << session.error();
    const SnapLayout& halves = SnapLayout::builtIns().front();
    for (const auto& [window, region] : {std::pair{client.window, 0}, std::pair{term.window, 1}}) {
        const auto placing = rig.placeWindow(window, RegionNumber(region), halves, *screen);
        ASSERT_TRUE(session.waitFor([&] { return placing->has_value(); }, 10000) && **placing) << "not placed";
    }
    const auto before = session.wmFrame(term.window), clientBefore = session.wmFrame(client.window);
    ASSERT_TRUE(before && clientBefore);

    ASSERT_TRUE(rig.ws.activate(term.window));
    test::key(session, moveKey(session), true);
    session.warpPointer(int(before->maxX()) - 4, int(before->midY()));
    session.pressButton(1);
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    glide(session, 200, 100, 12);
    EXPECT_TRUE(session.waitFor([&] { return rig.monitor->dragging(); }))
        << "not followed as a move; xterm at " << describe(session.wmFrame(term.window)).toStdString();
    const auto let = session.wmFrame(term.window);
    session.releaseButton(1);
    test::key(session, moveKey(session), false);

    ASSERT_TRUE(session.waitFor([&] { return !rig.state.interaction.windowInteraction && !rig.state.interaction.mutating; }));
    EXPECT_FALSE(session.waitFor([&] { return session.wmFrame(term.window) != let; }, 1000))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", let go at " << describe(let).toStdString();
    EXPECT_TRUE(let && let->size == before->size && let->x() - before->x() > 100 && let->y() - before->y() > 50)
        << "the window manager did not move the xterm: " << describe(let).toStdString();
    const LayoutGroup& group = rig.coordinator->groups().at(displayKey(*screen));
    EXPECT_TRUE(group.spans.empty());
    EXPECT_FALSE(group.windows.count(1));
    EXPECT_EQ(session.wmFrame(client.window), clientBefore);
    EXPECT_TRUE(rig.notices.isEmpty()) << rig.notices.join(u" | "_qs).toStdString();
}

} // namespace
} // namespace fw
