// The welcome window over the simulated platform, offscreen: frames and texts (nothing
// overlaps, no text is cut), the status rows for granted and denied permissions and the 2 s
// re-reading while visible, the buttons and keys, and the video overlay: its end rules with a
// fake player, and every way the window goes away stopping it; then one real playback of a
// small H.264 file in the helper program to its end, its pictures painted here, and the
// helper ended with the window.
#include "app/HotKeys.h"
#include "app/WelcomeShortcuts.h"
#include "base/Log.h"
#include "onboarding/qt/DesktopIllustration.h"
#include "onboarding/qt/WelcomeVideoView.h"
#include "onboarding/qt/WelcomeWindow.h"
#include "overlay/OverlayStyle.h"
#include "platform/qt/WindowFit.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimInput.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

#ifndef FW_TEST_DATA
#define FW_TEST_DATA "tests/data"
#endif
#ifndef FW_VIDEO_HELPER_PATH
#define FW_VIDEO_HELPER_PATH "framewell-video"
#endif

namespace fw {
namespace {

class FakePlayer : public VideoPlayer {
public:
    explicit FakePlayer(int& stops) : stops_(stops) {}
    void play() override { ++plays; }
    void stop() override { ++stops_; }
    bool ready() const override { return isReady; }
    QWidget* surface() override { return new QWidget; }
    int plays = 0;
    bool isReady = true;

private:
    int& stops_;
};

struct WelcomeFixture : ::testing::Test {
    VirtualClock clock;
    sim::SimDesktop desk{clock};
    MemoryDefaults defaults;
    sim::SimHotKeys keys;
    HotKeys hotKeys{keys, defaults};
    HotKeyLabels labels{hotKeys};
    WelcomeWindowController welcome{desk, defaults, clock, [this] { return welcomeShortcutLine(labels); }};
    FakePlayer* player = nullptr;   // the latest overlay's
    int stops = 0;

    void SetUp() override
    {
        welcome.makePlayer = [this](const QUrl&) {
            auto p = std::make_unique<FakePlayer>(stops);
            player = p.get();
            return p;
        };
        welcome.setVideoSource(QUrl::fromLocalFile(QStringLiteral(FW_TEST_DATA "/welcome-test.mp4")));
    }
    QWidget* window() const { return welcome.window(); }
    // Lets deferred deletions run.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

TEST_F(WelcomeFixture, FramesTextsAndNothingOverlaps)
{
    welcome.show();
    // Designed 720 × 750, within the work area (scrolled on a smaller screen).
    QWidget* content = WindowFit::content(window());
    EXPECT_EQ(content->size(), QSize(720, 750));
    EXPECT_TRUE(window()->screen()->availableGeometry().contains(window()->frameGeometry()));
    EXPECT_EQ(window()->windowTitle(), "Framewell");
    EXPECT_EQ(welcome.picture()->geometry(), QRect(40, 141, 640, 196));
    EXPECT_FALSE(welcome.picture()->middleSymbol());
    EXPECT_EQ(welcome.videoButton()->geometry(), QRect(288, 241, 158, 30)) << "centred on the middle window";
    EXPECT_EQ(welcome.permissionLabel()->geometry(), QRect(40, 629, 435, 20));
    EXPECT_EQ(welcome.permissionButton()->geometry(), QRect(476, 623, 205, 32));
    EXPECT_EQ(welcome.tourButton()->geometry(), QRect(529, 696, 152, 30));
    EXPECT_EQ(welcome.keysLabel()->geometry(), QRect(40, 674, 640, 18));

    EXPECT_EQ(welcome.keysLabel()->text(),
              "Ctrl+Alt+P  Place   Ctrl+Alt+Z  Layout Gallery   Ctrl+Alt+A  Adjust   Ctrl+Alt+S  Stack");
    EXPECT_TRUE(welcome.keysLabel()->isVisible()) << "the shortcut line is shown";

    // As on X11: both grants, no desktop tiling known.
    EXPECT_EQ(welcome.permissionLabel()->text(), "● Ready. Framewell lives in your tray.");
    EXPECT_EQ(welcome.permissionLabel()->color(), StyleColor::green);
    EXPECT_FALSE(welcome.permissionButton()->isVisible()) << "nothing to set once windows can be arranged";
    EXPECT_EQ(welcome.previewsLabel()->text(), "● Window previews on, with the 3D Shuffle.");
    EXPECT_FALSE(welcome.resetButton()->isVisible());
    // Without a compositor the transitions are not drawn, and the row says what would add them.
    welcome.transitionsAnimate = [] { return false; };
    welcome.refreshPermissionState();
    EXPECT_EQ(welcome.previewsLabel()->text(), "● Window previews on; a compositor adds the 3D Shuffle.");
    EXPECT_EQ(welcome.previewsLabel()->color(), StyleColor::secondaryLabel);
    EXPECT_EQ(welcome.previewsLabel()->shownText(), welcome.previewsLabel()->text());
    EXPECT_FALSE(welcome.previewsButton()->isVisible());
    EXPECT_FALSE(welcome.tilingLabel()->isVisible());
    EXPECT_FALSE(welcome.tilingButton()->isVisible());

    // Every visible element lies in the content, no two overlap (frames that only touch by a
    // point are allowed, as the steps' title and body do), and no text is cut short; also
    // with every optional row showing.
    desk.setWindowControlGranted(false);
    desk.setWindowPreviewsGranted(false);
    welcome.windowManagerPreference = [](const QString&) { return std::optional<bool>(); };
    welcome.refreshPermissionState();
    const QList<QWidget*> children = content->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* a : children) {
        if (!a->isVisible())
            continue;
        EXPECT_TRUE(content->rect().contains(a->geometry())) << a->accessibleName().toStdString();
        if (auto* label = qobject_cast<OverlayLabel*>(a)) {
            EXPECT_EQ(label->shownText(), label->text());
        }
        for (QWidget* b : children) {
            if (a >= b || !b->isVisible() || (a == welcome.picture() || b == welcome.picture()))
                continue;
            EXPECT_FALSE(a->geometry().adjusted(1, 1, -1, -1).intersects(b->geometry().adjusted(1, 1, -1, -1)))
                << a->accessibleName().toStdString() << " / " << b->accessibleName().toStdString();
        }
    }
    EXPECT_TRUE(welcome.picture()->geometry().contains(welcome.videoButton()->geometry()));
}

TEST_F(WelcomeFixture, DeniedRowsFollowTheGrantsEveryTwoSecondsWhileVisible)
{
    desk.setWindowControlGranted(false);
    desk.setWindowPreviewsGranted(false);
    std::vector<QString> reports;
    int ticks = 0;
    welcome.onReport = [&](const QString& text) { reports.push_back(text); };
    welcome.onPermissionTick = [&] { ++ticks; };
    welcome.show();
    EXPECT_EQ(welcome.permissionLabel()->text(), "● Window control is off, so windows stay put.");
    EXPECT_EQ(welcome.permissionLabel()->color(), StyleColor::secondaryLabel);
    EXPECT_EQ(welcome.permissionButton()->text(), "Enable Window Control");
    EXPECT_EQ(welcome.previewsLabel()->text(), "○ Window previews are off: no previews or 3D Shuffle.");
    EXPECT_TRUE(welcome.resetButton()->isVisible());
    EXPECT_TRUE(welcome.previewsButton()->isVisible());
    EXPECT_TRUE(welcome.permissionTimerActive());

    welcome.permissionButton()->click();
    EXPECT_EQ(desk.promptCount(), 1);
    EXPECT_EQ(desk.openedSettings(), QStringList({"accessibility"}));

    welcome.resetButton()->click();
    EXPECT_EQ(desk.resetCount(), 1);
    EXPECT_EQ(reports, std::vector<QString>{"Couldn’t reset automatically: this desktop keeps no window-control "
                                            "permission to reset."})
        << "a reset that did nothing says so";
    desk.setResetAvailable(true);
    welcome.resetButton()->click();
    EXPECT_EQ(reports.size(), 1u);
    EXPECT_EQ(desk.promptCount(), 2) << "after a reset the permission is asked for again";

    desk.setWindowControlGranted(true);
    clock.advance(std::chrono::milliseconds(1999));
    EXPECT_EQ(welcome.permissionButton()->text(), "Enable Window Control");
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(welcome.permissionLabel()->text(), "● Ready. Framewell lives in your tray.");
    EXPECT_FALSE(welcome.resetButton()->isVisible());
    EXPECT_FALSE(welcome.permissionButton()->isVisible());
    EXPECT_EQ(ticks, 1);

    window()->hide();
    EXPECT_FALSE(welcome.permissionTimerActive()) << "nothing is watched while the window is away";
    desk.setWindowPreviewsGranted(true);
    clock.advance(std::chrono::seconds(10));
    EXPECT_EQ(ticks, 1);
    welcome.show();
    EXPECT_EQ(welcome.previewsLabel()->text(), "● Window previews on, with the 3D Shuffle.") << "refreshed on showing";
}

TEST_F(WelcomeFixture, TilingRowFromTheDesktopsPreferences)
{
    std::map<QString, std::optional<bool>> prefs;
    welcome.windowManagerPreference = [&](const QString& key) { return prefs[key]; };
    int opened = 0;
    welcome.openDesktopSettings = [&] { ++opened; };
    welcome.show();
    EXPECT_EQ(welcome.tilingLabel()->text(), "▲ Desktop edge and top tiling compete with Framewell’s drags.");
    EXPECT_EQ(welcome.tilingLabel()->color(), StyleColor::orange);
    EXPECT_FALSE(welcome.tilingLabel()->toolTip().isEmpty());
    EXPECT_TRUE(welcome.tilingButton()->isVisible());
    welcome.tilingButton()->click();
    EXPECT_EQ(opened, 1);

    prefs[edgeTilingKey] = false;
    welcome.refreshPermissionState();
    EXPECT_EQ(welcome.tilingLabel()->text(), "▲ Desktop top tiling competes with Framewell’s top-center picker.");
    prefs[topTilingKey] = false;
    welcome.refreshPermissionState();
    EXPECT_FALSE(welcome.tilingLabel()->isVisible());
    EXPECT_FALSE(welcome.tilingButton()->isVisible());
}

TEST_F(WelcomeFixture, ButtonsKeysAndTheShortcutLine)
{
    std::vector<std::string> calls;
    welcome.onPreview = [&] { calls.push_back("preview"); };
    welcome.onArrange = [&] { calls.push_back("arrange"); };
    welcome.onTour = [&] { calls.push_back("tour"); };
    welcome.onPreviews = [&] { calls.push_back("previews"); };
    welcome.show();
    welcome.previewButton()->click();
    welcome.arrangeButton()->click();
    welcome.tourButton()->click();
    QTest::keyClick(window(), Qt::Key_Return);
    QTest::keyClick(window(), Qt::Key_Escape);
    EXPECT_EQ(calls, (std::vector<std::string>{"preview", "arrange", "tour", "tour"}));
    EXPECT_TRUE(window()->isVisible()) << "Escape without a video leaves the window as it is";

    ShortcutStore(defaults).setCombo(std::nullopt, ShortcutAction::layouts);
    welcome.refreshShortcuts();
    EXPECT_EQ(welcome.keysLabel()->text(), "Ctrl+Alt+P  Place   Ctrl+Alt+A  Adjust   Ctrl+Alt+S  Stack");
}

TEST_F(WelcomeFixture, VideoOverlayEndsWithSkipEscapeReadinessOrTheWindowGoingAway)
{
    welcome.show();
    welcome.playVideo();
    WelcomeVideoView* video = welcome.video();
    ASSERT_TRUE(video);
    EXPECT_EQ(video->geometry(), QRect(0, 0, 720, 750)) << "covers the content";
    EXPECT_EQ(video->titleLabel()->text(), "Getting started with Framewell");
    EXPECT_EQ(video->titleLabel()->geometry(), QRect(40, 64, 640, 28));
    EXPECT_EQ(video->playerView()->geometry(), QRect(40, 112, 640, 360));
    EXPECT_EQ(video->skipButton()->geometry(), QRect(580, 492, 100, 30));
    EXPECT_EQ(video->captionLabel()->geometry(), QRect(40, 498, 520, 18));
    EXPECT_EQ(player->plays, 1);
    FakePlayer* first = player;
    welcome.playVideo();
    EXPECT_EQ(welcome.video(), video) << "a second play while one shows does nothing";
    EXPECT_EQ(first->plays, 1);

    QTest::keyClick(window(), Qt::Key_Escape);
    EXPECT_FALSE(welcome.video());
    EXPECT_EQ(stops, 1);
    EXPECT_TRUE(window()->isVisible()) << "Escape ends the video only";
    settle();

    // Each way the window goes away stops the video: the title bar's close button (a close
    // event), hiding, minimizing, and the controller's own close.
    const std::vector<std::function<void()>> ways{
        [&] { window()->close(); },
        [&] { window()->hide(); },
        [&] { window()->showMinimized(); },
        [&] { welcome.close(); },
    };
    for (std::size_t i = 0; i < ways.size(); ++i) {
        welcome.show();
        EXPECT_FALSE(window()->isMinimized()) << "showing restores a minimized window";
        welcome.playVideo();
        ASSERT_TRUE(welcome.video());
        ways[i]();
        EXPECT_FALSE(welcome.video()) << "way " << i;
        EXPECT_EQ(stops, int(i) + 2) << "way " << i;
        settle();
    }
    welcome.show();
    EXPECT_TRUE(window()->findChildren<WelcomeVideoView*>().isEmpty()) << "the normal content shows again";

    // Not ready within 8 s: the overlay ends itself.
    welcome.playVideo();
    player->isReady = false;
    clock.advance(std::chrono::seconds(8));
    EXPECT_FALSE(welcome.video());
    EXPECT_EQ(stops, 6);
    welcome.videoButton()->click();
    EXPECT_TRUE(welcome.video()) << "Watch the Video plays it again";

    // A video that cannot be loaded (no network, no host): the caption says so in place of
    // the empty player, Skip stays, and the overlay ends at the readiness limit.
    WelcomeVideoView* failing = welcome.video();
    player->isReady = false;
    if (auto fail = player->onFailed)
        fail();
    EXPECT_EQ(welcome.video(), failing);
    EXPECT_EQ(failing->captionLabel()->text(), "The video could not be loaded. Try again later from Getting Started.");
    EXPECT_EQ(failing->captionLabel()->shownText(), failing->captionLabel()->text());
    EXPECT_FALSE(failing->playerView()->isVisible());
    EXPECT_TRUE(failing->skipButton()->isVisible());
    clock.advance(std::chrono::seconds(8));
    EXPECT_FALSE(welcome.video());

    // No video to play (no local copy, and a build naming no vendor host): the button is not
    // offered, the first launch's play does nothing and the main page stays.
    welcome.setVideoSource(QUrl());
    EXPECT_FALSE(welcome.videoButton()->isVisible());
    EXPECT_TRUE(welcome.picture()->middleSymbol()) << "the middle window is not left bare";
    settle();
    welcome.playVideo();
    EXPECT_FALSE(welcome.video());
    EXPECT_TRUE(window()->findChildren<WelcomeVideoView*>().isEmpty());
    EXPECT_TRUE(welcome.tourButton()->isVisible());
    welcome.setVideoSource(QUrl::fromLocalFile(QStringLiteral(FW_TEST_DATA "/welcome-test.mp4")));
    EXPECT_TRUE(welcome.videoButton()->isVisible()) << "a local copy still plays";
}

TEST(WelcomeShortcutLine, FollowsTheStoredShortcutsAndLeavesOutKeysAnotherProgramHolds)
{
    MemoryDefaults d;
    sim::SimHotKeys keys;
    HotKeys hotKeys(keys, d);
    const HotKeyLabels labels(hotKeys);
    hotKeys.registerKeys();
    EXPECT_EQ(welcomeShortcutLine(labels),
              "Ctrl+Alt+P  Place   Ctrl+Alt+Z  Layout Gallery   Ctrl+Alt+A  Adjust   Ctrl+Alt+S  Stack");
    d.setValue(ShortcutStore::keysKey, QJsonDocument::fromJson(R"({"1":{},"5":{"combo":
        {"keyCode":1,"modifiers":4352,"key":"S"}}})").object());
    EXPECT_EQ(welcomeShortcutLine(labels), "Ctrl+Alt+P  Place   Ctrl+Alt+A  Adjust   Ctrl+Super+S  Stack")
        << "a shortcut switched off is left out";
    d.setValue(ShortcutStore::keysKey, QJsonValue(QStringLiteral("not a table")));
    EXPECT_EQ(welcomeShortcutLine(labels),
              "Ctrl+Alt+P  Place   Ctrl+Alt+Z  Layout Gallery   Ctrl+Alt+A  Adjust   Ctrl+Alt+S  Stack");
    EXPECT_EQ(layoutKeysLabel(&labels), "Ctrl+Alt+1–9");
    // Another program holds Ctrl+Alt+P and Ctrl+Alt+3: neither is offered.
    keys.take(35, StoredCtrl | StoredAlt);
    keys.take(20, StoredCtrl | StoredAlt);
    hotKeys.reregister();
    EXPECT_EQ(welcomeShortcutLine(labels), "Ctrl+Alt+Z  Layout Gallery   Ctrl+Alt+A  Adjust   Ctrl+Alt+S  Stack");
    EXPECT_EQ(layoutKeysLabel(&labels), "");
}

bool spinUntil(const std::function<bool()>& condition, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!condition() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    return condition();
}

TEST_F(WelcomeFixture, RealVideoPlaysToItsEndAndStopsWithTheWindow)
{
    MediaVideoPlayer* media = nullptr;
    welcome.makePlayer = [&](const QUrl&) {
        auto p = std::make_unique<MediaVideoPlayer>(QUrl::fromLocalFile(FW_TEST_DATA "/welcome-test.mp4"),
                                                    QStringLiteral(FW_VIDEO_HELPER_PATH));
        media = p.get();
        return p;
    };
    log::Capture captured;
    welcome.show();
    welcome.playVideo();
    ASSERT_TRUE(welcome.video() && media);
    QWidget* surface = welcome.video()->playerView();
    int frames = 0;
    bool painted = false;
    ASSERT_TRUE(spinUntil([&] {
        if (!welcome.video())
            return true;
        frames = media->framesShown();
        // A picture of the video, not the black the surface starts with.
        const QImage shot = surface->grab().toImage();
        painted = painted || shot.pixelColor(shot.width() / 2, shot.height() / 2) != QColor(Qt::black);
        return false;
    }, 10000)) << "the 0.6 s video ends the overlay";
    EXPECT_GT(frames, 0) << "no picture came from the helper";
    EXPECT_TRUE(painted) << "the pictures were not painted";
    const QString said = captured.messages(LogCategory::App).join(u'\n');
    EXPECT_TRUE(said.contains(QStringLiteral("played to its end"))) << said.toStdString();
    settle();

    welcome.playVideo();
    ASSERT_TRUE(media);
    ASSERT_TRUE(spinUntil([&] { return media->framesShown() > 0; }, 5000)) << "the second playback shows nothing";
    const qint64 helper = media->helperId();
    ASSERT_GT(helper, 0);
    window()->close();
    EXPECT_FALSE(welcome.video());
    EXPECT_NE(::kill(pid_t(helper), 0), 0) << "the helper plays on behind the closed window";
}

// A file that is no video: the helper fails, and the program's log says how it ended and why,
// in the helper's own words, read to the end of what it said.
TEST(MediaVideoPlayerFailure, TellsHowTheHelperEndedAndWhy)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("broken.mp4")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    MediaVideoPlayer media(QUrl::fromLocalFile(file.fileName()), QStringLiteral(FW_VIDEO_HELPER_PATH));
    bool failed = false, ended = false;
    media.onFailed = [&] { failed = true; };
    media.onEnded = [&] { ended = true; };
    log::Capture captured;
    media.play();
    ASSERT_TRUE(spinUntil([&] { return failed || ended; }, 10000)) << "the helper told nothing";
    EXPECT_TRUE(failed);
    const QString said = captured.messages(LogCategory::App).join(u'\n');
    EXPECT_TRUE(said.contains(QRegularExpression(
        QStringLiteral("Welcome video: 0 pictures, failed \\(the helper ended with 1: framewell-video: .+\\)"))))
        << said.toStdString();
    EXPECT_EQ(media.helperId(), 0) << "the helper outlived its failure";
}

} // namespace
} // namespace fw
