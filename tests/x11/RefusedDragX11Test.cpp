// A window that cannot be placed, dragged by its title bar on a real server (Xvfb and the test's
// window manager) as a user tries it twice: the first drag to the top centre is told why and
// leaves the window at the top; the second, pressed there (in the picker's zone), pulled down and
// back up to where it was pressed, is told again. No picker shows and nothing is placed.
#include "layout/ScreenGeometry.h"
#include "snap/SnapDragHandler.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/XSession.h"

#include <QJsonObject>
#include <QStringList>
#include <gtest/gtest.h>

namespace fw {
namespace {

// The states the drag passed through, for failure messages.
std::string refusedDragTrace(test::CoordinatorRig& rig)
{
    QStringList states;
    for (const auto& event : rig.monitor->dragTrace().events()) {
        const QJsonObject e = event.toObject();
        states << e.value(u"state"_qs).toString() + u" @"_qs + e.value(u"pointer"_qs).toString();
    }
    return states.join(u" → "_qs).toStdString();
}

TEST(RefusedDragX11, AFixedSizeWindowDraggedToTheTopCentreIsToldWhyAtEveryTry)
{
    test::XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    auto fixed = session.startTestClient(
        u"fixed size"_qs, {"--size", "400x300", "--min", "400x300", "--max", "400x300", "--position", "700,400"});
    ASSERT_TRUE(fixed.window) << session.error();
    test::SessionApp app(session);
    test::CoordinatorRig rig(session);
    rig.coordinator->context().diagnostics = true;
    ASSERT_TRUE(rig.startDragMonitor()) << "no XInput 2.2";
    const ScreenInfo screen = rig.screens.screens().front();
    const Rect visible = topLeftVisibleFrame(screen);
    const QString notice = u"FwTestClient can’t be resized, so it can’t be placed in a region."_qs;
    const auto frameText = [&] {
        const auto f = session.wmFrame(fixed.window);
        return f ? toString(*f).toStdString() : std::string("nowhere");
    };
    const auto let = [&] {
        session.releaseButton(1);
        return session.waitFor([&] { return !rig.state.interaction.windowInteraction; });
    };

    // The first try: straight up to the top centre.
    ASSERT_TRUE(test::pressTitleBar(session, fixed.window));
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    test::glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
    EXPECT_TRUE(session.waitFor([&] { return rig.notices.size() == 1; }))
        << "nothing told; at " << frameText() << "; " << refusedDragTrace(rig);
    ASSERT_TRUE(let());
    ASSERT_TRUE(session.syncWithWindowManager());

    // The second, from where the first left the title bar (8 px below the frame's top, as high
    // as a press reads as a move under every manager): down, back up to the press and held.
    const auto top = session.wmFrame(fixed.window);
    ASSERT_TRUE(top);
    session.warpPointer(int(top->midX()), int(top->y()) + 8);
    session.pressButton(1);
    const auto press = session.pointer();
    ASSERT_TRUE(press && inPickerZone(*press, screen.frame, visible))
        << "the first drag left the title bar out of the picker's zone: at " << frameText();
    ASSERT_TRUE(session.waitFor([&] { return rig.monitor->candidate().has_value(); })) << "the press was not followed";
    test::glide(session, 0, 300, 12);
    test::glideTo(session, *press, 12);
    EXPECT_TRUE(session.waitFor([&] { return rig.notices.size() == 2; }))
        << "the second try was told nothing; pressed at " << toString(*press).toStdString() << "; "
        << refusedDragTrace(rig);
    EXPECT_FALSE(rig.overlay.picker);
    ASSERT_TRUE(let());
    EXPECT_FALSE(rig.overlay.picker);
    EXPECT_EQ(rig.notices.join(u" | "_qs).toStdString(), QStringList({notice, notice}).join(u" | "_qs).toStdString());
    EXPECT_TRUE(rig.coordinator->groups().empty());
}

} // namespace
} // namespace fw
