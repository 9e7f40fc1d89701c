// The stack anchor with its real views on the simulated desktop in virtual time: the popover
// under the anchor with thumbnails front first, a whole peek gesture, a choice that tears
// everything down; the key panel kept up while scrolling cycles the stack, and a popover shown
// over it, which ends the key panel's capture; where the key panel goes.
#include "platform/sim/SimDesktop.h"
#include "stacks/qt/WindowStackAnchorView.h"
#include "stacks/qt/WindowStackPicker.h"

#include <QApplication>
#include <QImage>
#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace std::chrono_literals;

ManagedWindow win(int i) { return {WindowId(100 + i), Pid(10 + i), QStringLiteral("Doc %1").arg(i), "App"}; }

// Captures one window every 100 ms; counts the captures still running.
class SlowCapture final : public ThumbnailCapture {
public:
    explicit SlowCapture(Clock& clock) : clock_(clock) {}
    std::vector<std::vector<ManagedWindow>> requests;
    std::vector<double> sides;
    int running = 0;

    Task<void> captureWindowThumbnails(std::vector<ManagedWindow> windows, double maxSide,
                                       ThumbnailDelivery deliver) override
    {
        requests.push_back(windows);
        sides.push_back(maxSide);
        ++running;
        struct Done {
            int& n;
            ~Done() { --n; }
        } done{running};
        for (const ManagedWindow& w : windows) {
            const bool slept = co_await clock_.sleep(100ms);
            if (!slept)
                co_return;
            deliver(w, std::make_shared<const PixelImage>(40, 30));
        }
    }

private:
    Clock& clock_;
};

class RecordingScroll final : public ScrollSteps {
public:
    std::function<void(int)> step;
    int starts = 0, stops = 0;
    void start(std::function<void(int)> s) override
    {
        step = std::move(s);
        ++starts;
    }
    void stop() override
    {
        step = nullptr;
        ++stops;
    }
};

class StackAnchorTest : public ::testing::Test {
protected:
    StackAnchorTest()
    {
        sim.addScreen({.key = "A", .name = "Main", .frame = {0, 0, 1920, 1080}, .visibleFrame = {0, 30, 1920, 1050},
                       .primary = true});
        panel.setContentView(view = new WindowStackAnchorView(AnchorServices{clock, capture, sim, sim, scroll}));
        panel.orderFrontRegardless();
        WindowStackAnchor& a = anchor();
        a.update(members, members[0]);
        a.actions.choose = [this](const ManagedWindow& w) { chosen.push_back(w); };
        a.actions.peekWindow = [this](const ManagedWindow& w) { raised.push_back(w); };
        // One frame for all three, win(1) in front of win(0) in front of win(2).
        a.actions.stacking = [] {
            const Rect frame(0, 30, 960, 1020);
            return PeekScene{{{101, 11, frame, 0}, {100, 10, frame, 0}, {102, 12, frame, 0}}, std::nullopt};
        };
        a.actions.onDismiss = [this] { ++dismissals; };
        a.actions.cycle = [this](int step) -> std::optional<ManagedWindow> {
            cycled.push_back(step);
            return members[std::size_t(cycled.size() % members.size())];
        };
    }
    WindowStackAnchor& anchor() { return view->anchor(); }
    WindowStackPicker* picker() { return view->picker(); }

    VirtualClock clock;
    sim::SimDesktop sim{clock};
    SlowCapture capture{clock};
    RecordingScroll scroll;
    OverlayWindow panel{Rect(900, 200, 24, 24), true};
    WindowStackAnchorView* view = nullptr;
    std::vector<ManagedWindow> members{win(0), win(1), win(2)};
    std::vector<ManagedWindow> chosen, raised;
    std::vector<int> cycled;
    int dismissals = 0;
};

TEST_F(StackAnchorTest, PopoverPeekAndChoice)
{
    anchor().update(members, members[1]);
    anchor().showPopover();
    ASSERT_TRUE(anchor().popoverShown());
    const Rect frame = *anchor().pickerFrame();
    EXPECT_EQ(frame.size, (Size{576, 202}));   // three cards in one row
    EXPECT_DOUBLE_EQ(frame.midX(), 912);
    EXPECT_DOUBLE_EQ(frame.minY(), 228);                                   // 4 points under the anchor
    EXPECT_EQ(picker()->orderedChoices().size(), 3u);
    EXPECT_FALSE(panel.isActiveWindow() || view->popoverPanel()->acceptsKeys());
    EXPECT_EQ(scroll.starts, 1);
    // Thumbnails at 360 points, the front first, shown as they arrive.
    ASSERT_EQ(capture.requests.size(), 1u);
    EXPECT_EQ(capture.requests[0], (std::vector<ManagedWindow>{win(1), win(0), win(2)}));
    EXPECT_EQ(capture.sides[0], 360);
    clock.advance(150ms);
    EXPECT_TRUE(picker()->choices().at(win(1))->thumbnail.has_value());
    EXPECT_FALSE(picker()->choices().at(win(0))->thumbnail.has_value());

    // Crossing a card quickly raises nothing; resting on it raises it after 0.15 s.
    auto* card0 = picker()->orderedChoices()[0];
    auto* card2 = picker()->orderedChoices()[2];
    card0->setHovered(true);
    clock.advance(100ms);
    card0->setHovered(false);
    card2->setHovered(true);
    clock.advance(149ms);
    EXPECT_TRUE(raised.empty());
    clock.advance(1ms);
    EXPECT_EQ(raised, std::vector<ManagedWindow>{win(2)});
    EXPECT_EQ(anchor().peekOrigin(), win(1));
    // Back on the window that was in front: what stood over the raised one comes back over it,
    // in its order, 40 ms apart, and nothing is left to restore.
    card2->setHovered(false);
    picker()->orderedChoices()[1]->setHovered(true);
    clock.advance(150ms);
    EXPECT_EQ(raised, (std::vector<ManagedWindow>{win(2), win(0)}));
    EXPECT_TRUE(anchor().peeked().empty());
    clock.advance(40ms);
    EXPECT_EQ(raised, (std::vector<ManagedWindow>{win(2), win(0), win(1)}));

    // Resting on a card, then leaving all cards: 0.3 s later only what stood over it comes back.
    picker()->orderedChoices()[1]->setHovered(false);
    card0->setHovered(true);
    clock.advance(150ms);
    card0->setHovered(false);
    clock.advance(299ms);
    EXPECT_EQ(raised.size(), 4u);
    clock.advance(1ms);
    EXPECT_EQ(raised, (std::vector<ManagedWindow>{win(2), win(0), win(1), win(0), win(1)}));
    clock.advance(100ms);
    EXPECT_EQ(raised.size(), 5u);

    // A click on a card chooses it and tears everything down.
    card2->click();
    EXPECT_EQ(chosen, std::vector<ManagedWindow>{win(2)});
    EXPECT_FALSE(anchor().popoverShown());
    EXPECT_FALSE(anchor().pickerFrame());
    EXPECT_GE(dismissals, 1);
    EXPECT_EQ(scroll.step, nullptr);
    EXPECT_EQ(capture.running, 0);
    EXPECT_TRUE(anchor().thumbnails().empty());
    // Images of the ended presentation never arrive; the popover can open again.
    clock.advance(1s);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(picker(), nullptr);
    anchor().showPopover();
    EXPECT_TRUE(anchor().popoverShown());
    EXPECT_EQ(capture.requests.size(), 2u);
    // An anchor that goes with its switcher up gives scrolling back and ends its capture.
    const int stops = scroll.stops;
    panel.setContentView(nullptr);
    EXPECT_EQ(scroll.stops, stops + 1);
    EXPECT_EQ(capture.running, 0);
}

TEST_F(StackAnchorTest, KeyPanelSurvivesScrollingAndYieldsItsCaptureToAPopover)
{
    anchor().showKeyPanel(Rect(900, 200, 24, 24));
    ASSERT_TRUE(anchor().hasKeyPanel());
    OverlayWindow* keyPanel = view->keyPanel();
    EXPECT_TRUE(keyPanel->acceptsKeys());
    EXPECT_FALSE(anchor().pickerFrame());    // the key panel is never reported for hover
    EXPECT_EQ(keyPanel->focusWidget(), picker()->orderedChoices().front());
    anchor().showKeyPanel(Rect(0, 0, 24, 24));
    EXPECT_EQ(view->keyPanel(), keyPanel);

    // A scroll step cycles and marks the new front; losing the keyboard within 1 s is ignored.
    clock.advance(100ms);
    scroll.step(+1);
    EXPECT_EQ(cycled, std::vector<int>{1});
    EXPECT_TRUE(picker()->choices().at(win(1))->isCurrentChoice);
    EXPECT_FALSE(picker()->choices().at(win(0))->isCurrentChoice);
    anchor().windowDidResignKey();
    EXPECT_TRUE(anchor().hasKeyPanel());

    // The popover may open over the key panel: the key panel's capture ends with it, and its
    // remaining images never reach the new picker.
    anchor().showPopover();
    ASSERT_EQ(capture.requests.size(), 2u);
    EXPECT_EQ(capture.running, 1);
    EXPECT_EQ(anchor().thumbnails().size(), 1u);        // the key panel's first
    clock.advance(100ms);
    EXPECT_EQ(anchor().thumbnails().size(), 2u);
    EXPECT_TRUE(anchor().thumbnails().count(win(1)));   // the popover's first, its front
    anchor().showKeyPanel(Rect(0, 0, 24, 24));          // refused while the popover is shown
    EXPECT_EQ(view->keyPanel(), keyPanel);

    // Once the stepping second has passed, losing the keyboard closes everything.
    clock.advance(1s);
    anchor().windowDidResignKey();
    EXPECT_FALSE(anchor().hasKeyPanel());
    EXPECT_FALSE(anchor().popoverShown());
    EXPECT_EQ(capture.running, 0);
    EXPECT_GE(dismissals, 1);
}

TEST_F(StackAnchorTest, KeyPanelPlacement)
{
    const std::vector<ScreenInfo> screens = sim.screens();
    // Centred on the rectangle.
    EXPECT_EQ(WindowStackAnchor::keyPanelFrame(Rect(900, 500, 24, 24), Size{400, 300}, screens),
              Rect(712, 362, 400, 300));
    // Near the right edge: kept 8 points inside the visible frame.
    EXPECT_EQ(WindowStackAnchor::keyPanelFrame(Rect(1900, 40, 10, 10), Size{400, 300}, screens),
              Rect(1512, 38, 400, 300));
    // Too wide and too tall: the right and the top edge win.
    EXPECT_EQ(WindowStackAnchor::keyPanelFrame(Rect(900, 500, 24, 24), Size{2000, 1100}, screens),
              Rect(1920 - 8 - 2000, 38, 2000, 1100));
    // On no screen: bounded by the rectangle itself.
    EXPECT_EQ(WindowStackAnchor::keyPanelFrame(Rect(5000, 0, 100, 100), Size{50, 50}, screens),
              Rect(5025, 25, 50, 50));
    EXPECT_EQ(WindowStackAnchor::keyPanelFrame(Rect(5000, 0, 100, 100), Size{200, 200}, screens),
              Rect(5000 + 100 - 8 - 200, 8, 200, 200));

    // At 200 % the margins and the popover's gap to its anchor are twice as many device pixels.
    std::vector<ScreenInfo> dense = screens;
    for (ScreenInfo& s : dense)
        s.scale = 2;
    EXPECT_EQ(WindowStackAnchor::keyPanelFrame(Rect(1900, 40, 10, 10), Size{400, 300}, dense),
              Rect(1504, 46, 400, 300));
    EXPECT_EQ(WindowStackAnchor::popoverFrame(Rect(900, 500, 24, 24), Size{400, 300}, dense), Rect(712, 532, 400, 300));
    EXPECT_EQ(WindowStackAnchor::popoverFrame(Rect(900, 1000, 24, 24), Size{400, 300}, dense), Rect(712, 692, 400, 300))
        << "above the anchor when it does not fit below";
    EXPECT_EQ(WindowStackAnchor::popoverFrame(Rect(900, 500, 24, 24), Size{400, 300}, screens), Rect(712, 528, 400, 300));
}

TEST_F(StackAnchorTest, PreviewsOffLeaveRoomForTheirButton)
{
    sim.setWindowPreviewsGranted(false);
    anchor().update({win(0)}, win(0));
    anchor().showPopover();
    ASSERT_NE(picker()->previewsButton(), nullptr);
    EXPECT_EQ(picker()->previewsButton()->text(), QStringLiteral("Enable Window Previews…"));
    EXPECT_EQ(picker()->width(), 208);
    EXPECT_EQ(picker()->scrollView()->geometry().bottom() + 1, picker()->height() - 48);
    picker()->previewsButton()->click();
    EXPECT_FALSE(anchor().popoverShown());
    EXPECT_EQ(sim.openedSettings(), QStringList{WindowStackAnchor::previewsPane});
}

} // namespace
} // namespace fw
