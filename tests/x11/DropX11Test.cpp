// Drops onto placed windows on a real server (Xvfb, openbox, two monitors, the compositor on),
// with the coordinator, the drag monitor and the real overlay in the test process: an xterm
// dragged out of its region onto the test client's and released on the "Swap" tile once it is
// armed trades frames with it, each within its increments; a side split that the test
// client's minimum width cannot take is rolled back with both frames as before.
#include "layout/ScreenGeometry.h"
#include "overlay/DropActionMenuView.h"
#include "overlay/DropSurfaces.h"
#include "platform/qt/DevicePixels.h"
#include "snap/AppliedLayouts.h"
#include "snap/DropLogText.h"
#include "x11/CoordinatorRig.h"
#include "x11/DragSteps.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QDir>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace fw {
namespace {

using namespace test;

QString describe(const std::optional<Rect>& frame) { return frame ? toString(*frame) : u"nowhere"_qs; }

// The frame sits at the region's origin, short of it by less than one increment (none: exact).
bool inRegion(const std::optional<Rect>& f, const Rect& region, const Size& increment)
{
    const auto fits = [](double side, double want, double cell) { return side <= want && want - side < std::max(cell, 1.0); };
    // A roll-back under load can land one pixel off the origin it restores (the window manager
    // rounds the frame it gives back); the coordinator itself accepts 5 pt.
    const auto near = [](double a, double b) { return std::abs(a - b) <= 1.0; };
    return f && near(f->x(), region.x()) && near(f->y(), region.y()) && fits(f->width(), region.width(), increment.width) &&
           fits(f->height(), region.height(), increment.height);
}

// With FRAMEWELL_SHOTS_DIR set, a photograph of the rectangle for review.
// Once the compositor has drawn what just changed.
void saveShot(test::XSession& session, const Rect& area, const QString& name)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (dir.isEmpty() || !QDir().mkpath(dir))
        return;
    test::waitStill(session, area);
    test::grab(area).save(dir + u"/"_qs + name);
}

class DropX11 : public ::testing::Test {
protected:
    explicit DropX11(bool compositor = true) : DropX11(XSessionOptions{3200, 1080, true, compositor}) {}
    explicit DropX11(const XSessionOptions& options) : session(options) {}

    // The two windows placed in "Halves" on the screen, the xterm in region 0; false when
    // they did not settle.
    bool placeBoth(const ScreenInfo& screen) { return place(term.window, 0, screen) && place(client.window, 1, screen); }
    // Placed through the coordinator, to the end of its checks.
    bool place(xcb_window_t w, RegionNumber r, const ScreenInfo& screen)
    {
        const auto done = rig->placeWindow(w, r, halves, screen);
        return session.waitFor([&] { return done->has_value(); }, 10000) && **done && placed(w, r, screen);
    }
    bool placed(xcb_window_t w, RegionNumber r, const ScreenInfo& screen)
    {
        return inRegion(session.wmFrame(w), regionFrames(halves, screen).at(r), increment(w));
    }
    Size increment(xcb_window_t w)
    {
        const auto hints = rig->ws.sizeHints(w);
        return hints ? hints->increment : Size{};
    }
    // What the drag is over, for failure messages.
    std::string dropState() const
    {
        const auto& targets = *rig->dragHandler;
        const DropSession& drop = rig->state.drop;
        const auto intent = [](const std::optional<RegionDropTarget>& t) {
            return t ? dropIntentText(t->intent).toStdString() : std::string("none");
        };
        return "hovered " + intent(targets.findings().activeDrop) + ", drop " + intent(drop.regionDrop) +
               (drop.regionDropArmed ? " armed" : "") + (drop.shownMenu ? ", menu shown" : ", no menu") +
               (rig->monitor->dragging() ? ", dragging" : ", not dragging");
    }
    bool pressXterm()
    {
        return test::pressTitleBar(session, term.window) &&
               session.waitFor([&] { return rig->monitor->candidate().has_value(); });
    }

    XSession session;
    XSession::Client term, client;
    std::unique_ptr<SessionApp> app;
    std::unique_ptr<CoordinatorRig> rig;
    const SnapLayout& halves = SnapLayout::builtIns().front();
};

TEST_F(DropX11, AnXtermReleasedOnTheArmedSwapTileTradesFramesWithTheTestClient)
{
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    term = session.startXterm(u"swap me"_qs, {"-geometry", "80x24+2000+300"});
    client = session.startTestClient(u"other"_qs, {"--position", "2600,400"});
    ASSERT_TRUE(term.window && client.window) << session.error();
    app = std::make_unique<SessionApp>(session);
    rig = std::make_unique<CoordinatorRig>(session);
    ASSERT_TRUE(rig->startDragMonitor()) << "no XInput 2.2";
    const auto right = rig->screenOf(Rect(1920, 0, 1280, 1024));
    ASSERT_TRUE(right && placeBoth(*right)) << "xterm at " << describe(session.wmFrame(term.window)).toStdString()
                                            << ", client at " << describe(session.wmFrame(client.window)).toStdString();
    const auto frames = regionFrames(halves, *right);

    ASSERT_TRUE(pressXterm()) << "the press was not followed";
    ASSERT_TRUE(test::holdOverTile(session, *rig, {frames.at(1).midX(), frames.at(1).midY()}, RegionDropIntent::swap(1)))
        << "the swap tile did not arm; xterm at " << describe(session.wmFrame(term.window)).toStdString() << "; " << dropState();
    const auto* view = rig->overlay.actionMenuView();
    ASSERT_TRUE(rig->overlay.actionMenu()->isOrderedIn());
    const auto lit = std::find_if(view->tiles().begin(), view->tiles().end(),
                                  [](const DropActionTile* t) { return t->state() == DropActionTile::State::armed; });
    ASSERT_NE(lit, view->tiles().end());
    EXPECT_EQ((*lit)->caption()->text(), u"Swap"_qs);
    saveShot(session, right->frame, u"drop-swap-armed.png"_qs);

    session.releaseButton(1);
    EXPECT_TRUE(session.waitFor([&] { return !rig->state.interaction.mutating &&
                                             placed(term.window, 1, *right) && placed(client.window, 0, *right); }, 10000))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString() << ", client at "
        << describe(session.wmFrame(client.window)).toStdString() << "; notices: " << rig->notices.join(u" | "_qs).toStdString();
    const auto& group = rig->coordinator->groups().at(displayKey(*right));
    EXPECT_EQ(group.windows.at(0).element, client.window);
    EXPECT_EQ(group.windows.at(1).element, term.window);
    EXPECT_TRUE(rig->notices.isEmpty()) << rig->notices.join(u" | "_qs).toStdString();
}

TEST_F(DropX11, ASideSplitTheTestClientsMinimumCannotTakeIsRolledBack)
{
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    term = session.startXterm(u"split me"_qs, {"-geometry", "80x24+200+600"});
    client = session.startTestClient(u"wide"_qs, {"--min", "900x100", "--position", "1000,100"});
    ASSERT_TRUE(term.window && client.window) << session.error();
    app = std::make_unique<SessionApp>(session);
    rig = std::make_unique<CoordinatorRig>(session);
    ASSERT_TRUE(rig->startDragMonitor()) << "no XInput 2.2";
    const auto left = rig->screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(left);
    const auto frames = regionFrames(halves, *left);
    ASSERT_TRUE(place(client.window, 1, *left)) << "client at " << describe(session.wmFrame(client.window)).toStdString();

    ASSERT_TRUE(pressXterm()) << "the press was not followed";
    ASSERT_TRUE(test::holdOverTile(session, *rig, {frames.at(1).midX(), frames.at(1).midY()},
                                   RegionDropIntent::splitSide(1, true)))
        << "the left-half tile did not arm; " << dropState();
    const auto released = session.wmFrame(term.window);
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] { return !rig->notices.isEmpty() && !rig->state.interaction.mutating; }, 15000))
        << "xterm at " << describe(session.wmFrame(term.window)).toStdString();
    EXPECT_TRUE(rig->notices.front().endsWith(u" need more room than this space has. Their prior sizes were restored."_qs))
        << rig->notices.join(u" | "_qs).toStdString();
    EXPECT_EQ(session.wmFrame(term.window), released);
    EXPECT_TRUE(placed(client.window, 1, *left)) << describe(session.wmFrame(client.window)).toStdString();
    EXPECT_TRUE(rig->coordinator->groups().at(displayKey(*left)).layout == halves);
}

struct CaptionCase {
    int dpi;
    bool compositor;
};

// All four cases under openbox; under the matrix's other window managers 100 % bare and 200 %
// composited: the manager moves the xterm alike with a compositing manager and without, and each
// density still runs under each. Why a case does not run here; nothing when it runs.
std::optional<std::string> captionSkip(const CaptionCase& c)
{
    if (c.compositor == (c.dpi > 96))
        return std::nullopt;
    return XSession::defaultRunOnlySkip("the compositing manager draws our unmanaged preview alike under every "
                                        "window manager (100 % bare and 200 % composited run with each)");
}

class DropCaptionX11 : public DropX11, public ::testing::WithParamInterface<CaptionCase> {
protected:
    // A case that does not run here starts a bare server only, no window manager for nothing.
    DropCaptionX11()
        : DropX11(captionSkip(GetParam()) ? XSessionOptions{640, 480, false, false}
                                          : XSessionOptions{3200, 1080, true, GetParam().compositor})
    {
    }
};

// An xterm dragged by its title bar to the top of the empty right half of "Halves", its left
// filled, at 100 % and 200 %, with a compositing manager and without: the caption ("Release to
// place") of the preview below the xterm shows beside it, not under it.
TEST_P(DropCaptionX11, TheCaptionOfAnEmptyRegionStaysBesideTheWindowDraggedOverIt)
{
    if (const auto why = captionSkip(GetParam()))
        GTEST_SKIP() << *why;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    ASSERT_TRUE(session.mergeResources("Xft.dpi: " + QByteArray::number(GetParam().dpi) + "\n"));
    // As wide as the badge's place at both densities, with room below it.
    term = session.startXterm(u"place me"_qs, {"-geometry", GetParam().dpi > 96 ? "60x16+1100+500" : "80x24+1100+500"});
    client = session.startTestClient(u"left"_qs, {"--position", "100,300"});
    ASSERT_TRUE(term.window && client.window) << session.error();
    app = std::make_unique<SessionApp>(session);
    rig = std::make_unique<CoordinatorRig>(session);
    ASSERT_TRUE(rig->startDragMonitor()) << "no XInput 2.2";
    const auto left = rig->screenOf(Rect(0, 0, 1920, 1080));
    ASSERT_TRUE(left && place(client.window, 0, *left)) << "client at " << describe(session.wmFrame(client.window)).toStdString();

    ASSERT_TRUE(pressXterm()) << "the press was not followed";
    test::glideTo(session, {1010, 60}, 12);
    const DropSession& drop = rig->state.drop;
    const ReturnTargetView* view = rig->overlay.returnView();
    // The badge in device pixels, as the window's frame is.
    const auto caption = [&] {
        const QWidget* badge = view->badge();
        return DevicePixels::toDevice(QRectF(QPointF(badge->mapToGlobal(QPoint())), QSizeF(badge->size())));
    };
    ASSERT_TRUE(session.waitFor([&] {
        return drop.regionDrop && drop.regionDrop->intent.kind == RegionDropIntent::Kind::place && drop.regionDropArmed &&
               rig->overlay.returnPreview()->isOrderedIn() && view->badge()->isVisibleTo(view);
    }, 5000)) << "no armed place target; " << dropState();
    EXPECT_EQ(view->caption()->text(), u"Release to place"_qs);
    EXPECT_TRUE(session.waitFor([&] {
        const auto dragged = session.wmFrame(term.window);
        return dragged && !caption().intersects(*dragged);
    }, 3000)) << "the caption at " << toString(caption()).toStdString() << " is under the xterm at "
              << describe(session.wmFrame(term.window)).toStdString();
    EXPECT_TRUE(rig->overlay.returnPreview()->frame().contains(caption())) << toString(caption()).toStdString();
    saveShot(session, left->frame, u"drop-place-caption-%1.png"_qs.arg(GetParam().dpi));
    session.releaseButton(1);
}

INSTANTIATE_TEST_SUITE_P(DensityAndCompositing, DropCaptionX11,
                         ::testing::Values(CaptionCase{96, true}, CaptionCase{96, false}, CaptionCase{192, true},
                                           CaptionCase{192, false}),
                         [](const auto& info) {
                             return "Dpi" + std::to_string(info.param.dpi)
                                 + (info.param.compositor ? "Composited" : "Bare");
                         });

} // namespace
} // namespace fw
