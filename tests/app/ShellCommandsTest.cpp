// The shell's commands over the simulated desktop and the real coordinator: every hot-key id
// with and without a focused window (and with one that cannot be placed), paused, without
// window control and with stacks off; every refusal in its one sentence; mouse shortcuts aimed at the clicked window; the display a
// command acts on; and the menu commands that find their display again, toggle settings and
// report what they could not do.
#include "app/ShellCommands.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "platform/sim/SimPlatform.h"
#include "snap/RecordingFeedback.h"
#include "snap/DragMonitor.h"
#include "snap/SnapDragHandler.h"
#include "snap/SnapCoordinator.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fw {
namespace {

const ScreenInfo kLeft{u"LEFT"_qs, u"Left"_qs, Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1050), true};
const ScreenInfo kRight{u"RIGHT"_qs, u"Right"_qs, Rect(1920, 0, 1280, 1024), Rect(1920, 0, 1280, 1024), false};

// Everything the commands ask of the views, as text.
struct RecordingViews final : ShellViews {
    QStringList calls;
    bool confirm = true;
    bool gpu = true;
    void showWelcome() override { calls << u"welcome"_qs; }
    void openCustomLayoutEditor(const QString& key, const std::optional<SnapLayout>& layout) override
    {
        calls << u"editor %1 %2"_qs.arg(key, layout ? layout->id : u"new"_qs);
    }
    void importLayouts(const QString& key) override { calls << u"import "_qs + key; }
    void exportLayouts(const QString& key, const std::optional<SnapLayout>& current) override
    {
        calls << u"export %1 %2"_qs.arg(key, current ? current->id : u"none"_qs);
    }
    bool confirmResetLayouts(const ScreenInfo& screen) override
    {
        calls << u"confirm reset "_qs + screen.name;
        return confirm;
    }
    void showShortcuts() override { calls << u"shortcuts"_qs; }
    void showAbout() override { calls << u"about"_qs; }
    void showTour() override { calls << u"tour"_qs; }
    void checkForUpdates() override { calls << u"updates"_qs; }
    bool gpuAvailable() override { return gpu; }
    void pausedChanged(bool paused) override { calls << (paused ? u"paused"_qs : u"running"_qs); }
    void quit() override { calls << u"quit"_qs; }
};

// A stack subsystem that answers as told and records what it was asked.
struct ShellStacks final : StackCommands {
    QStringList calls;
    bool on = true, result = false, monitoring = true;
    StackBadgeSettings badges;
    void setMonitoringEnabled(bool e) override { monitoring = e; }
    bool available() const override { return true; }
    bool presented() const override { return true; }
    bool enabled() const override { return on; }
    void setEnabled(bool e) override
    {
        on = e;
        calls << (e ? u"enable"_qs : u"disable"_qs);
    }
    bool presentPickerForFrontWindow(const ManagedWindow& w) override { return record(u"switcher"_qs, w); }
    bool cycleFrontStack(const ManagedWindow& w, bool forward) override
    {
        return record(forward ? u"next"_qs : u"previous"_qs, w);
    }
    bool sendSpanToBack(const ManagedWindow& w) override { return record(u"span"_qs, w); }
    StackBadgeSettings badgeSettings() const override { return badges; }
    void setAutoPlaceBadges(bool v) override { badges.autoPlace = v; }
    bool record(const QString& what, const ManagedWindow& w)
    {
        calls << u"%1 %2"_qs.arg(what, w.title);
        return result;
    }
};

class ShellCommandsTest : public ::testing::Test {
protected:
    ShellCommandsTest()
    {
        sim.desktop.addScreen(kLeft);
        sim.desktop.addScreen(kRight);
        left = sim.desktop.addWindow({.pid = 100, .title = u"Notes"_qs, .frame = Rect(100, 100, 800, 600)});
        right = sim.desktop.addWindow({.pid = 200, .title = u"Mail"_qs, .frame = Rect(2000, 100, 800, 600)});
        sim.desktop.setFocus(left);
        coordinator.sinks().report = [this](const QString& t) { notices << t; };
    }

    // What one hot key did, as one line per effect.
    QStringList press(std::uint32_t id)
    {
        feedback.calls.clear();
        notices.clear();
        views.calls.clear();
        stacks.calls.clear();
        const auto before = coordinator.interactionGeneration();
        commands.handleHotKey(id);
        sim.clock.advance(std::chrono::seconds(1));
        QStringList out;
        for (const QString& call : feedback.calls) {
            if (call.startsWith(u"showPicker"_qs))
                out << call;
        }
        out << views.calls << stacks.calls << notices;
        if (const auto ended = coordinator.interactionGeneration() - before)
            out << u"ended x%1"_qs.arg(ended);
        return out;
    }

    sim::SimPlatform sim;
    LayoutStore store{sim.defaults};
    WindowAccess access{sim.desktop, sim.desktop, sim.clock, sim.desktop};
    WindowPlacement placement{access};
    snaptest::RecordingFeedback feedback;
    ShellStacks stacks;
    NoWindowStacks noStacks;
    NoThumbnailCapture capture;
    SnapCoordinator coordinator{
        SnapServices{access, placement, sim.desktop, sim.desktop, sim.clock, sim.defaults, store, feedback, noStacks, capture}};
    QTemporaryDir dir;
    LoginItem login{dir.path() + u"/autostart"_qs, u"/bin/sh"_qs};
    RecordingViews views;
    SnapDragHandler dragHandler{coordinator.context(), coordinator.dragStates()};
    DragMonitor monitor{dragHandler, sim.desktop.mouse(), sim.clock};
    QStringList notices;
    ShellCommands commands{ShellServices{sim.platform(), access, coordinator, stacks, store, login, views,
                                         [this]() -> DragMonitor& { return monitor; },
                                         [this](const QString& t) { notices << t; }}};
    WindowId left = 0, right = 0;
};

TEST_F(ShellCommandsTest, EveryIdWithAndWithoutAFocusedWindow)
{
    const QString noOthers = u"No other windows share this window’s position and size."_qs;
    // Ids that name nothing do nothing at all.
    for (std::uint32_t id : {0u, 10u, 100u, 110u})
        EXPECT_EQ(press(id), QStringList()) << id;
    // The coordinator's commands on the focused window's display, each refusal in its sentence.
    EXPECT_EQ(press(1), (QStringList{u"showPicker LEFT 8 composition"_qs, u"ended x1"_qs}));
    EXPECT_EQ(press(2), (QStringList{u"Nothing is snapped on Left. Choose a layout first (Ctrl+Alt+Z), or drag a "
                                     "window to the top center."_qs,
                                     u"ended x1"_qs}));
    EXPECT_EQ(press(3), QStringList{u"Focus a snapped window to restore its previous size."_qs});
    for (std::uint32_t id : {101u, 109u})
        EXPECT_EQ(press(id), QStringList{u"You haven’t made any layouts for Left yet. Create one from Choose a Layout."_qs});
    // Escape and every command that found its window end the drag first (the picker ends the
    // interaction once more as it opens); refusals end nothing.
    EXPECT_EQ(press(4), QStringList{u"ended x1"_qs});
    EXPECT_EQ(press(6), (QStringList{u"showPicker LEFT 8 regions"_qs, u"ended x2"_qs}));
    EXPECT_EQ(press(5), (QStringList{u"switcher Notes"_qs, noOthers, u"ended x1"_qs}));
    EXPECT_EQ(press(7), (QStringList{u"next Notes"_qs, noOthers, u"ended x1"_qs}));
    EXPECT_EQ(press(8), (QStringList{u"previous Notes"_qs, noOthers, u"ended x1"_qs}));
    EXPECT_EQ(press(9), (QStringList{u"span Notes"_qs,
                                     u"Focus a window that spans regions, or one it covers, to send the span to the back."_qs,
                                     u"ended x1"_qs}));
    stacks.result = true;
    EXPECT_EQ(press(7), (QStringList{u"next Notes"_qs, u"ended x1"_qs}));

    // The focused window on the other display: the picker opens there.
    sim.desktop.setFocus(right);
    EXPECT_EQ(press(6), (QStringList{u"showPicker RIGHT 8 regions"_qs, u"ended x2"_qs}));

    // A focused window that cannot be placed: the reason, never a road that refuses it too.
    const WindowId fixed = sim.desktop.addWindow(
        {.pid = 300, .title = u"Calculator"_qs, .frame = Rect(300, 300, 300, 400), .resizable = false});
    sim.desktop.setFocus(fixed);
    EXPECT_EQ(press(6), QStringList{u"App 300 can’t be resized, so it can’t be placed in a region."_qs});
    const WindowId full = sim.desktop.addWindow({.pid = 400, .title = u"Video"_qs, .frame = kLeft.frame, .fullscreen = true});
    sim.desktop.setFocus(full);
    EXPECT_EQ(press(6), QStringList{u"App 400 is full screen. Leave full screen to place it in a region."_qs});
    sim.desktop.closeWindow(fixed);
    sim.desktop.closeWindow(full);

    // No focused window: each refusal in its sentence, and nothing is cancelled.
    sim.desktop.setFrontmostApp(0);
    sim.desktop.closeWindow(left);
    sim.desktop.closeWindow(right);
    ASSERT_FALSE(access.focusedWindow());
    EXPECT_EQ(press(6), QStringList{u"Focus a resizable window first, or drag one to the top center of a display."_qs});
    EXPECT_EQ(press(5), QStringList{u"Focus a window in the stack first."_qs});
    EXPECT_EQ(press(8), QStringList{u"Focus a window in the stack first."_qs});
    EXPECT_EQ(press(9), QStringList{u"Focus a spanning window first."_qs});
}

TEST_F(ShellCommandsTest, PauseGrantAndStacksSettingStopCommands)
{
    // Stacks off: the disabled notices, no drag cancelled.
    stacks.on = false;
    EXPECT_EQ(press(5), QStringList{u"Turn on Window Stacks to switch between overlapping windows."_qs});
    EXPECT_EQ(press(7), QStringList{u"Turn on Window Stacks to switch between overlapping windows."_qs});
    EXPECT_EQ(press(9), QStringList{u"Turn on Window Stacks to move a spanning window behind."_qs});
    stacks.on = true;

    // Without window control: the welcome window instead of any notice.
    sim.desktop.setWindowControlGranted(false);
    EXPECT_EQ(press(6), QStringList{u"welcome"_qs});
    EXPECT_EQ(press(5), QStringList{u"welcome"_qs});
    EXPECT_EQ(press(4), QStringList{u"ended x1"_qs});   // Escape needs no grant
    sim.desktop.setWindowControlGranted(true);

    // Paused: every id and every mouse shortcut is ignored, silently.
    commands.togglePause();
    EXPECT_TRUE(commands.paused());
    EXPECT_FALSE(monitor.enabled);
    EXPECT_EQ(stacks.calls, QStringList{u"disable"_qs});
    EXPECT_EQ(views.calls, QStringList{u"paused"_qs});
    for (std::uint32_t id : {4u, 5u, 6u, 7u, 9u})
        EXPECT_EQ(press(id), QStringList()) << id;
    commands.handleMouseShortcut(ShortcutAction::stack, Point{2100, 200});
    EXPECT_TRUE(stacks.calls.isEmpty());

    // Resuming brings the stacks back as stored; stored off, they stay off.
    sim.defaults.setValue(ShellCommands::windowStacksEnabledKey, false);
    commands.togglePause();
    EXPECT_TRUE(monitor.enabled);
    EXPECT_EQ(stacks.calls, QStringList{u"disable"_qs});
    sim.defaults.setValue(ShellCommands::windowStacksEnabledKey, u"yes"_qs);   // not a Boolean: on
    commands.perform(MenuCommand::togglePause, {});
    stacks.calls.clear();
    commands.perform(MenuCommand::togglePause, {});
    EXPECT_EQ(stacks.calls, QStringList{u"enable"_qs});
}

TEST_F(ShellCommandsTest, MouseShortcutsAimAtTheClickedWindowAndTargetScreensTakeTheLargestShare)
{
    // The stack switcher for the window under the click, though another is focused; over the
    // desktop, for the focused one; "place" always for the focused one.
    commands.handleMouseShortcut(ShortcutAction::stack, Point{2100, 200});
    commands.handleMouseShortcut(ShortcutAction::stack, Point{1000, 900});
    EXPECT_EQ(stacks.calls, (QStringList{u"switcher Mail"_qs, u"switcher Notes"_qs}));
    feedback.calls.clear();
    commands.handleMouseShortcut(ShortcutAction::place, Point{2100, 200});
    EXPECT_TRUE(feedback.calls.contains(u"showPicker LEFT 8 regions"_qs)) << feedback.calls.join(u'\n').toStdString();

    // A window across both displays: the larger share decides, the first display on a tie.
    sim.desktop.place(left, Rect(1500, 100, 1000, 600));   // 420 left, 580 right
    EXPECT_EQ(commands.targetScreen()->key, u"RIGHT"_qs);
    sim.desktop.place(left, Rect(1420, 100, 1000, 600));   // 500 and 500
    EXPECT_EQ(commands.targetScreen()->key, u"LEFT"_qs);
    // No focused window: the display under the pointer, else the primary one.
    sim.desktop.setFrontmostApp(0);
    sim.desktop.closeWindow(left);
    sim.desktop.closeWindow(right);
    sim.desktop.mouse().move(Point{2500, 500});
    EXPECT_EQ(commands.targetScreen()->key, u"RIGHT"_qs);
    sim.desktop.mouse().move(Point{-50, -50});
    EXPECT_EQ(commands.targetScreen()->key, u"LEFT"_qs);
    sim.desktop.setScreens({});
    EXPECT_FALSE(commands.targetScreen());
}

TEST_F(ShellCommandsTest, DisplayCommandsFindTheirDisplayOnTheNextTurn)
{
    store.upsertCustom({u"user-1"_qs, u"Work"_qs, SnapLayout::builtIns()[0].tree, std::nullopt}, u"LEFT"_qs);
    commands.perform(MenuCommand::createCustomLayout, u"RIGHT"_qs);
    commands.perform(MenuCommand::editCustomLayout, QStringList{u"LEFT"_qs, u"user-1"_qs});
    commands.perform(MenuCommand::editCustomLayout, QStringList{u"LEFT"_qs, u"user-9"_qs});   // no longer stored
    commands.perform(MenuCommand::editCustomLayout, QStringList{u"LEFT"_qs});                  // not a pair
    commands.perform(MenuCommand::importLayouts, u"LEFT"_qs);
    commands.perform(MenuCommand::exportLayouts, u"RIGHT"_qs);
    commands.perform(MenuCommand::importLayouts, u"GONE"_qs);                                  // disconnected
    commands.perform(MenuCommand::exportLayouts, QStringList{u"LEFT"_qs});                    // wrong kind
    EXPECT_TRUE(views.calls.isEmpty());   // nothing before the next turn
    const auto before = coordinator.interactionGeneration();
    sim.clock.advance(Duration::zero());
    EXPECT_EQ(coordinator.interactionGeneration() - before, 2u);   // import and export end the drag first
    EXPECT_EQ(views.calls, (QStringList{u"editor RIGHT new"_qs, u"editor LEFT user-1"_qs, u"import LEFT"_qs,
                                       u"export RIGHT none"_qs}));

    // A layout row made for other display bounds is stale.
    commands.perform(MenuCommand::applyMenuLayout,
                     LayoutMenuChoice{SnapLayout::builtIns()[0], u"LEFT"_qs, Rect(0, 0, 1920, 1000)});
    sim.clock.advance(Duration::zero());
    EXPECT_EQ(notices, QStringList{u"The display changed. Open Choose a Layout again."_qs});
    commands.togglePause();
    notices.clear();
    commands.perform(MenuCommand::applyMenuLayout,
                     LayoutMenuChoice{SnapLayout::builtIns()[0], u"LEFT"_qs, Rect(0, 0, 1920, 1000)});
    sim.clock.advance(Duration::zero());
    EXPECT_TRUE(notices.isEmpty());   // paused: nothing

    // The tour's buttons.
    views.calls.clear();
    for (int page = 0; page < 6; ++page)
        commands.tryTourPage(page);
    EXPECT_EQ(views.calls, (QStringList{u"editor LEFT new"_qs, u"shortcuts"_qs}));
}

TEST_F(ShellCommandsTest, SettingsCommandsStoreAndReportWhatTheyCouldNotDo)
{
    // Transitions: stored; a GPU effect on a computer without one says so; garbage does nothing.
    views.gpu = false;
    commands.perform(MenuCommand::chooseTransition, u"melt"_qs);
    EXPECT_EQ(sim.defaults.value(u"stackTransition"_qs), QJsonValue(u"melt"_qs));
    EXPECT_EQ(notices, QStringList{u"This computer can’t run the Melt effect. Stacks will switch without it."_qs});
    commands.perform(MenuCommand::chooseTransition, u"sparkle"_qs);
    EXPECT_EQ(sim.defaults.value(u"stackTransition"_qs), QJsonValue(u"melt"_qs));
    views.gpu = true;   // asked once per run: still no GPU
    commands.perform(MenuCommand::chooseTransition, u"genie"_qs);
    EXPECT_EQ(notices.size(), 2);
    // Without a compositor no transition is drawn, Shuffle included; the menu says so too.
    struct NoCompositor final : PanelStacking {
        bool orderBelow(std::uint64_t, WindowId) override { return false; }
        void orderToBack(std::uint64_t) override {}
        bool compositing() const override { return false; }
        void setCompositingObserver(std::function<void()>) override {}
    } flat;
    sim.platform().stacking = &flat;
    commands.perform(MenuCommand::chooseTransition, u"shuffle"_qs);
    EXPECT_EQ(notices.back(), u"This desktop has no compositor that draws transparency, so stacks switch without animation."_qs);
    EXPECT_FALSE(commands.menuState().compositing);
    sim.platform().stacking = nullptr;
    EXPECT_TRUE(commands.menuState().compositing);
    sim.defaults.setValue(u"stackTransition"_qs, u"sparkle"_qs);
    EXPECT_EQ(commands.menuState().stacks.transition, StackTransition::shuffle);

    // Window stacks on and off, badges placed automatically.
    commands.perform(MenuCommand::toggleStacks, {});
    EXPECT_EQ(sim.defaults.value(ShellCommands::windowStacksEnabledKey), QJsonValue(false));
    EXPECT_EQ(stacks.calls.last(), u"disable"_qs);
    commands.perform(MenuCommand::toggleBadgeAutoPlace, {});
    EXPECT_EQ(sim.defaults.value(ShellCommands::badgesAutoPlaceKey), QJsonValue(false));
    EXPECT_FALSE(stacks.badges.autoPlace);

    // Start at Login writes and removes the entry; a failure is one notice.
    commands.perform(MenuCommand::toggleLogin, {});
    EXPECT_TRUE(login.enabled());
    EXPECT_TRUE(commands.menuState().startAtLogin);
    commands.perform(MenuCommand::toggleLogin, {});
    EXPECT_FALSE(QFile::exists(login.path()));
    notices.clear();
    QFile blocker(dir.path() + u"/blocked"_qs);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    LoginItem blocked(dir.path() + u"/blocked/autostart"_qs, u"/usr/bin/framewell"_qs);
    login = blocked;
    commands.perform(MenuCommand::toggleLogin, {});
    ASSERT_EQ(notices.size(), 1);
    EXPECT_TRUE(notices[0].startsWith(u"Couldn’t change Start at Login: "_qs)) << notices[0].toStdString();

    // Previews are granted here; where they are not, the desktop has no setting to open.
    notices.clear();
    commands.perform(MenuCommand::enableThumbnails, {});
    sim.desktop.setWindowPreviewsGranted(false);
    commands.perform(MenuCommand::enableThumbnails, {});
    EXPECT_EQ(notices, (QStringList{u"Window thumbnails are enabled for Snap Assist and Window Stacks."_qs,
                                    u"This desktop gives no window previews."_qs}));

    // Opening the menu records the grant; its state shows the tiling the desktop reports.
    sim.settings.preferences[DesktopSettings::edgeTilingKey] = std::nullopt;
    const StatusMenuState state = commands.menuWillOpen();
    EXPECT_EQ(sim.defaults.value(ShellCommands::hadWindowControlKey), QJsonValue(true));
    EXPECT_EQ(state.edgeTiling, std::nullopt);
    EXPECT_EQ(state.topTiling, std::optional<bool>(false));
    EXPECT_EQ(state.display.key, u"LEFT"_qs);
    commands.perform(MenuCommand::openTilingSettings, {});
    EXPECT_EQ(sim.settings.openedTilingSettings, 1);
}

} // namespace
} // namespace fw
