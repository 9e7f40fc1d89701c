// The global mouse monitor on a real server while the WM moves a window by its title bar; the
// primary button through the core pointer mapping and a device's own map, each changed while
// it runs, also of a device added meanwhile; Escape only while watched.
#include "platform/x11/X11MouseMonitor.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace fw {
namespace {

using test::XSession;
using Type = MouseEvent::Type;

TEST(X11MouseMonitor, ReportsPressDragStepsAndReleaseDuringATitleBarMove)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto client = session.startTestClient(QStringLiteral("drag me"), {"--size", "400x300", "--position", "100,100"});
    ASSERT_TRUE(client.window) << session.error();
    test::SessionApp app(session);

    X11MouseMonitor monitor(session.display());
    std::vector<MouseEvent> events;
    ASSERT_TRUE(monitor.start([&](const MouseEvent& e) { events.push_back(e); }));
    EXPECT_TRUE(monitor.running());

    const auto before = session.wmFrame(client.window);
    ASSERT_TRUE(before);
    std::vector<Point> stepPositions;
    Point pressedAt;
    const auto frames = session.dragTitleBar(client.window, 200, 100, 10, [&](int step) {
        const auto p = session.pointer();
        ASSERT_TRUE(p);
        if (step < 0) {
            pressedAt = *p;
            EXPECT_TRUE(session.waitFor([&] { return !events.empty(); }, 3000));
            return;
        }
        // Every step arrives while the WM holds its move grab, at the pointer's position.
        stepPositions.push_back(*p);
        EXPECT_TRUE(session.waitFor([&] {
            return !events.empty() && events.back().type == Type::LeftDrag && events.back().position == *p;
        }, 3000)) << "step " << step;
    });
    ASSERT_TRUE(session.waitFor([&] { return !events.empty() && events.back().type == Type::LeftUp; }, 3000));

    // The window moved with the pointer, step by step, after the step where the WM started its
    // move: openbox starts past its drag threshold and catches up (a step later when busy),
    // fluxbox starts on the second step without catching up.
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_EQ(frames.back().size, before->size);
    EXPECT_GE(frames.back().x() - before->x(), 180);
    EXPECT_LE(frames.back().x() - before->x(), 200);
    EXPECT_GE(frames.back().y() - before->y(), 90);
    EXPECT_LE(frames.back().y() - before->y(), 100);
    size_t started = 0;
    while (started < frames.size() && frames[started] == *before)
        ++started;
    EXPECT_LE(started, 2u) << "the move started late";
    for (size_t i = started + 1; i < frames.size(); ++i)
        EXPECT_EQ(frames[i], frames[i - 1].offsetBy(20, 10)) << "the frame follows every step, step " << i;

    // Press first (at the title bar), drags only while the button is down, release last.
    ASSERT_GE(events.size(), 12u);
    EXPECT_EQ(events.front().type, Type::LeftDown);
    EXPECT_EQ(events.front().position, pressedAt);
    EXPECT_EQ(stepPositions.front(), pressedAt + Point({20, 10}));
    int drags = 0;
    for (size_t i = 1; i + 1 < events.size(); ++i) {
        EXPECT_EQ(events[i].type, Type::LeftDrag) << i;
        drags += events[i].type == Type::LeftDrag;
    }
    EXPECT_EQ(drags, 10);
    EXPECT_EQ(events.back().position, stepPositions.back());
    EXPECT_EQ(events.back().modifiers, 0u);

    // With the button up, motion is plain movement; after stop, nothing more arrives.
    session.moveRelative(5, 5);
    EXPECT_TRUE(session.waitFor([&] { return events.back().type == Type::Moved; }, 3000));
    monitor.stop();
    EXPECT_FALSE(monitor.running());
    const size_t count = events.size();
    session.moveRelative(5, 5);
    session.pressButton(1);
    session.releaseButton(1);
    session.waitFor([] { return false; }, 50);
    EXPECT_EQ(events.size(), count);
}

TEST(X11MouseMonitor, ReportsHeldModifiersAndSurvivesStopFromItsHandler)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    test::SessionApp app(session);
    X11MouseMonitor monitor(session.display());
    std::vector<MouseEvent> events;
    ASSERT_TRUE(monitor.start([&](const MouseEvent& e) {
        events.push_back(e);
        if (e.type == Type::LeftUp)
            monitor.stop();   // the handler may end the monitor
    }));

    session.warpPointer(300, 300);
    // Control (keycode 37) and Shift (50) in the server's default keymap.
    xcb_connection_t* c = session.connection();
    for (int key : {37, 50})
        xcb_test_fake_input(c, XCB_KEY_PRESS, std::uint8_t(key), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    session.pressButton(1);
    ASSERT_TRUE(session.waitFor([&] { return !events.empty(); }, 3000));
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] { return !monitor.running(); }, 3000));
    for (int key : {37, 50})
        xcb_test_fake_input(c, XCB_KEY_RELEASE, std::uint8_t(key), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(c);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, Type::LeftDown);
    EXPECT_EQ(events[0].position, (Point{300, 300}));
    EXPECT_EQ(events[0].modifiers, ModControl | ModShift);
    EXPECT_EQ(events[1].type, Type::LeftUp);

    // A monitor can be started again after it stopped itself.
    ASSERT_TRUE(monitor.start([&](const MouseEvent& e) { events.push_back(e); }));
    session.moveRelative(3, 0);
    EXPECT_TRUE(session.waitFor([&] { return events.size() == 3 && events[2].type == Type::Moved; }, 3000));
}

// A session with a running monitor and what it reported.
struct MonitoredSession {
    MonitoredSession() : app(session), monitor(session.display()) {}
    bool start() { return session.ok() && monitor.start([this](const MouseEvent& e) { events.push_back(e); }); }
    // What arrives up to and with a motion made afterwards (events come in order).
    std::vector<Type> upToMotion()
    {
        const size_t from = events.size();
        session.moveRelative(1, 0);
        EXPECT_TRUE(session.waitFor([&] {
            return events.size() > from && (events.back().type == Type::Moved || events.back().type == Type::LeftDrag);
        }, 3000));
        std::vector<Type> seen;
        for (size_t i = from; i < events.size(); ++i)
            seen.push_back(events[i].type);
        return seen;
    }

    XSession session;
    test::SessionApp app;
    X11MouseMonitor monitor;
    std::vector<MouseEvent> events;
};

TEST(X11MouseMonitor, FollowsThePointerMappingWhileRunningAndReportsEscapeOnlyWhileWatched)
{
    MonitoredSession m;
    ASSERT_TRUE(m.start()) << m.session.error();
    XSession& session = m.session;
    X11MouseMonitor& monitor = m.monitor;
    const std::vector<MouseEvent>& events = m.events;
    const auto upToMotion = [&] { return m.upToMotion(); };
    session.warpPointer(300, 300);

    // Left-handed: the physical right button is the primary one, the physical left is not;
    // swapped back, the left one is again.
    ASSERT_TRUE(test::swapPrimaryButton(session));
    session.pressButton(3);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftDown, Type::LeftDrag}));
    session.releaseButton(3);
    session.pressButton(1);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftUp, Type::Moved}));
    session.releaseButton(1);
    ASSERT_TRUE(test::swapPrimaryButton(session));
    session.pressButton(1);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftDown, Type::LeftDrag}));
    session.releaseButton(1);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftUp, Type::Moved}));

    // Left-handed per device, as desktop settings panels set it (the core mapping stays): the
    // map of the device that sent the button counts, then the core mapping on top of it; each
    // change is followed while running.
    ASSERT_TRUE(test::setDeviceButtons(session, {3, 2, 1}));
    session.pressButton(1);
    EXPECT_EQ(upToMotion(), std::vector{Type::Moved});
    session.releaseButton(1);
    session.pressButton(3);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftDown, Type::LeftDrag}));
    session.releaseButton(3);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftUp, Type::Moved}));
    ASSERT_TRUE(test::swapPrimaryButton(session));
    session.pressButton(1);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftDown, Type::LeftDrag}));
    session.releaseButton(1);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftUp, Type::Moved}));
    ASSERT_TRUE(test::swapPrimaryButton(session));
    ASSERT_TRUE(test::setDeviceButtons(session, {1, 2, 3}));
    session.pressButton(1);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftDown, Type::LeftDrag}));
    session.releaseButton(1);
    EXPECT_EQ(upToMotion(), (std::vector{Type::LeftUp, Type::Moved}));

    // Escape counts only while watched, also while the window manager moves a window and
    // holds the keyboard (all but fluxbox do); other keys never.
    const xcb_keycode_t escape = test::keycode(session, test::Escape);
    const auto tapEscape = [&] {
        test::fakeKey(session, escape, true);
        test::fakeKey(session, escape, false);
    };
    tapEscape();
    EXPECT_EQ(upToMotion(), std::vector{Type::Moved});
    auto client = session.startTestClient(u"moved"_qs, {"--size", "400x300", "--position", "300,300"});
    ASSERT_TRUE(client.window) << session.error();
    // Each change of what is watched is in place once the monitor's connection made a round trip.
    monitor.watchEscape(true);
    ASSERT_TRUE(monitor.pointerState());
    const size_t before = events.size();
    session.dragTitleBar(client.window, 100, 50, 6, [&](int step) {
        if (step != 3)
            return;
        test::key(session, test::LetterP, true);
        test::key(session, test::LetterP, false);
        tapEscape();
        EXPECT_TRUE(session.waitFor([&] { return events.back().type == Type::Escape; }, 3000)) << "no Escape";
    });
    ASSERT_TRUE(session.waitFor([&] { return events.back().type == Type::LeftUp; }, 3000));
    EXPECT_EQ(std::count_if(events.begin() + long(before), events.end(), [](const MouseEvent& e) {
                  return e.type == Type::Escape;
              }), 1);
    monitor.watchEscape(false);
    ASSERT_TRUE(monitor.pointerState());
    tapEscape();
    EXPECT_EQ(upToMotion(), std::vector{Type::Moved});
}

// A pointer device that comes while the monitor runs (a second master with its own XTest
// pointer, as a mouse plugged in brings a device of its own): its buttons count through its own
// map, and a later change of that map, as a settings daemon makes for the new mouse, is followed.
TEST(X11MouseMonitor, FollowsTheButtonMapOfAPointerDeviceAddedWhileRunning)
{
    MonitoredSession m;
    ASSERT_TRUE(m.start()) << m.session.error();
    XSession& session = m.session;
    ASSERT_EQ(session.run({u"xinput"_qs, u"create-master"_qs, u"Second"_qs}), 0);
    xcb_connection_t* c = session.connection();
    const auto deviceNamed = [&](const std::string& name) {
        std::uint16_t id = 0;
        auto* reply = xcb_input_xi_query_device_reply(c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL), nullptr);
        for (auto it = xcb_input_xi_query_device_infos_iterator(reply); reply && it.rem; xcb_input_xi_device_info_next(&it)) {
            if (std::string(xcb_input_xi_device_info_name(it.data), size_t(xcb_input_xi_device_info_name_length(it.data))) == name)
                id = it.data->deviceid;
        }
        std::free(reply);
        return id;
    };
    const std::uint16_t second = deviceNamed("Second XTEST pointer");
    ASSERT_NE(second, 0);
    const std::uint8_t firstEvent = xcb_get_extension_data(c, &xcb_input_id)->first_event;
    // A click of the second device's physical button, and what arrives up to a motion of the
    // first device.
    const auto click = [&](std::uint8_t button) {
        for (const std::uint8_t offset : {XCB_INPUT_DEVICE_BUTTON_PRESS, XCB_INPUT_DEVICE_BUTTON_RELEASE})
            xcb_test_fake_input(c, std::uint8_t(firstEvent + offset), button, XCB_CURRENT_TIME, session.root(), 0, 0,
                                std::uint8_t(second));
        return m.upToMotion();
    };

    EXPECT_EQ(click(1), (std::vector{Type::LeftDown, Type::LeftUp, Type::Moved}));
    EXPECT_EQ(click(3), std::vector{Type::Moved});
    ASSERT_EQ(session.run({u"xinput"_qs, u"set-button-map"_qs, u"Second XTEST pointer"_qs, u"3"_qs, u"2"_qs, u"1"_qs}), 0);
    EXPECT_EQ(click(1), std::vector{Type::Moved});
    EXPECT_EQ(click(3), (std::vector{Type::LeftDown, Type::LeftUp, Type::Moved}));
    EXPECT_EQ(session.run({u"xinput"_qs, u"remove-master"_qs, u"Second pointer"_qs}), 0);
}

TEST(X11MouseMonitor, FailsToStartWithoutAServer)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
        GTEST_SKIP() << *why;
    X11MouseMonitor monitor(QByteArray(":nonexistent"));
    EXPECT_FALSE(monitor.start([](const MouseEvent&) {}));
    EXPECT_FALSE(monitor.running());
}

} // namespace
} // namespace fw
