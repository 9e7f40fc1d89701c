// The welcome window's content and the video's end rules, without widgets: the steps, the
// status rows for each grant and tiling state, and a video run over a fake player in virtual
// time.
#include "onboarding/ProductInfo.h"
#include "onboarding/WelcomeContent.h"
#include "onboarding/WelcomeVideo.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(WelcomeContent, StatusRows)
{
    EXPECT_EQ(welcomeSteps()[3].body, "Resize shared edges together, and save layouts with their apps for Ctrl+Alt+1–9.");
    using Tone = WelcomeStatus::Tone;
    const auto ready = welcomeStatus(true, true, true, false, false);
    EXPECT_EQ(ready.permissionText, "● Ready. Framewell lives in your tray.");
    EXPECT_EQ(ready.permissionTone, Tone::ready);
    EXPECT_TRUE(ready.permissionButtonHidden) << "nothing to set once windows can be arranged";
    EXPECT_TRUE(ready.resetHidden);
    EXPECT_EQ(ready.previewsText, "● Window previews on, with the 3D Shuffle.");
    EXPECT_EQ(ready.previewsTone, Tone::ready);
    EXPECT_TRUE(ready.previewsButtonHidden);
    EXPECT_TRUE(ready.tilingHidden);
    EXPECT_TRUE(ready.tilingText.isEmpty());

    // No compositor: the transitions are not drawn, so the 3D Shuffle is not offered as on.
    const auto flat = welcomeStatus(true, true, false, false, false);
    EXPECT_EQ(flat.previewsText, "● Window previews on; a compositor adds the 3D Shuffle.");
    EXPECT_EQ(flat.previewsTone, Tone::muted);
    EXPECT_TRUE(flat.previewsButtonHidden);

    // No tray host: the row says how Framewell is reached; the previews row names the
    // transition the user chose.
    const auto trayless = welcomeStatus(true, true, false, false, false, false, u"Genie"_qs);
    EXPECT_EQ(trayless.permissionText, "● Ready. No tray here: use the shortcuts, or start Framewell again.");
    EXPECT_EQ(trayless.permissionTone, Tone::ready);
    EXPECT_EQ(trayless.previewsText, "● Window previews on; a compositor adds the Genie transition.");
    EXPECT_EQ(welcomeStatus(true, true, true, false, false, true, u"Melt"_qs).previewsText,
              "● Window previews on, with the Melt transition.");

    const auto denied = welcomeStatus(false, false, true, std::nullopt, std::nullopt);
    EXPECT_EQ(denied.permissionText, "● Window control is off, so windows stay put.");
    EXPECT_EQ(denied.permissionTone, Tone::muted);
    EXPECT_EQ(denied.permissionButton, "Enable Window Control");
    EXPECT_FALSE(denied.permissionButtonHidden);
    EXPECT_FALSE(denied.resetHidden);
    EXPECT_EQ(denied.previewsText, "○ Window previews are off: no previews or 3D Shuffle.");
    EXPECT_FALSE(denied.previewsButtonHidden);
    EXPECT_FALSE(denied.tilingHidden) << "unset counts as on";
    EXPECT_EQ(denied.tilingText, "▲ Desktop edge and top tiling compete with Framewell’s drags.");

    EXPECT_EQ(welcomeStatus(true, true, true, false, std::nullopt).tilingText,
              "▲ Desktop top tiling competes with Framewell’s top-center picker.");
    EXPECT_EQ(welcomeStatus(true, true, true, true, false).tilingText,
              "▲ Desktop edge tiling competes with Framewell’s corner drags.");
}

class FakePlayback : public VideoPlayback {
public:
    void play() override { ++plays; }
    void stop() override { ++stops; }
    bool ready() const override { return isReady; }
    void end() { if (auto fn = onEnded) fn(); }
    void fail() { if (auto fn = onFailed) fn(); }
    int plays = 0, stops = 0;
    bool isReady = false;
};

TEST(WelcomeVideoRun, EndsOnceWhicheverRuleFiresFirst)
{
    VirtualClock clock;
    FakePlayback player;
    int done = 0;
    {
        WelcomeVideoRun run(clock, player);
        run.onDone = [&] { ++done; };
        run.start();
        EXPECT_EQ(player.plays, 1);
        player.isReady = true;
        clock.advance(std::chrono::seconds(8));
        EXPECT_FALSE(run.done()) << "ready in time: it plays on";
        player.end();
        EXPECT_TRUE(run.done());
        player.end();
        player.fail();
        run.finish();
        EXPECT_EQ(done, 1);
        EXPECT_EQ(player.stops, 1);
    }

    // Not ready after 8 s, with the end of media arriving after the readiness rule.
    WelcomeVideoRun slow(clock, player);
    slow.onDone = [&] { ++done; };
    player.isReady = false;
    slow.start();
    clock.advance(std::chrono::milliseconds(7999));
    EXPECT_FALSE(slow.done());
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_TRUE(slow.done());
    player.end();
    EXPECT_EQ(done, 2);

    // A video that cannot be loaded is said at once (once) and ends the run at the readiness
    // limit, as a video that never became ready does.
    WelcomeVideoRun failing(clock, player);
    failing.onDone = [&] { ++done; };
    int failures = 0;
    failing.onLoadFailed = [&] { ++failures; };
    const Duration started = clock.now();
    failing.start();
    clock.advance(std::chrono::milliseconds(300));
    player.fail();
    player.fail();
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(failing.loadFailed());
    EXPECT_FALSE(failing.done()) << "Skip stays until the readiness limit";
    player.isReady = true;
    clock.advance(WelcomeVideoRun::readinessLimit - (clock.now() - started));
    EXPECT_TRUE(failing.done()) << "failed, even though the player says it is ready";
    EXPECT_EQ(clock.pendingCount(), 0u) << "the readiness check goes with the run's end";
    EXPECT_EQ(done, 3);

    // Past the readiness limit a failure ends the run at once, without the message.
    WelcomeVideoRun midway(clock, player);
    midway.onDone = [&] { ++done; };
    midway.onLoadFailed = [&] { ++failures; };
    midway.start();
    clock.advance(std::chrono::seconds(9));
    EXPECT_FALSE(midway.done());
    player.fail();
    EXPECT_TRUE(midway.done());
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(done, 4);
    EXPECT_EQ(welcomeVideoURL(), vendorHost().isEmpty() && qEnvironmentVariableIsEmpty("FRAMEWELL_WELCOME_VIDEO")
                                     ? QUrl()
                                     : vendorAddress("/framewell/video/welcome.mp4"))
        << "no local copy and no host: no video";
}

TEST(WelcomeVideoRun, ARunDestroyedMidwayLeavesNothingBehind)
{
    VirtualClock clock;
    FakePlayback player;
    bool done = false;
    {
        WelcomeVideoRun run(clock, player);
        run.onDone = [&] { done = true; };
        run.start();
    }
    EXPECT_EQ(clock.pendingCount(), 0u);
    player.end();
    EXPECT_FALSE(done);
}

} // namespace
} // namespace fw
