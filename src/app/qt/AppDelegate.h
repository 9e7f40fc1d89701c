#pragma once
// The program: built from the platform's ports, it owns every object that lives for the whole
// run and creates them in this order: the icons of running processes, the layout store, window
// access and placement, the overlay, thumbnails, the transitions, scroll capture, the stack
// panels, the window stacks and the snap coordinator, the hot keys, the mouse shortcuts, the
// notices, the menu's stall log, the shell's commands and the tray menu's upkeep
// (StatusMenuUpkeep). launch() then installs every process-wide hook in one place: the
// coordinator's sinks, drag tracking, the stacks, the hot keys and mouse shortcuts, the tray
// menu (its icon made only once a tray host is known to be there), the display and workspace
// observers, the first-run windows and the start options (LaunchOptions); terminate() removes
// them again in a fixed order. The windows (welcome, tour, About, What's New, shortcuts, the
// layout editor and file panels) are made on first use. Main thread only.
//
//   AppDelegate delegate(platform, QCoreApplication::arguments());
//   delegate.launch();
//   …  // the event loop runs
//   delegate.terminate();

#include "app/HotKeys.h"
#include "app/LaunchOptions.h"
#include "app/LoginItem.h"
#include "app/MainThreadStallLog.h"
#include "app/MouseShortcuts.h"
#include "app/ScrollCapture.h"
#include "app/ShellCommands.h"
#include "app/Shortcuts.h"
#include "app/StackCommands.h"
#include "app/qt/WindowAppIcons.h"
#include "app/qt/StatusMenuUpkeep.h"
#include "base/TaskScope.h"
#include "layout/LayoutStore.h"
#include "onboarding/Tips.h"
#include "overlay/OverlayController.h"
#include "overlay/OverlayFeedback.h"
#include "overlay/ToastController.h"
#include "platform/Platform.h"
#include "snap/DragMonitor.h"
#include "snap/SnapDragHandler.h"
#include "snap/SnapCoordinator.h"
#include "stacks/StackEngine.h"
#include "stacks/qt/QtStackSurfaces.h"
#include "transitions/WindowThumbnails.h"
#include "transitions/WindowTransitions.h"
#include "transitions/qt/GlTransitionPresenter.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

#include <QStringList>

#include <functional>
#include <memory>

class QAbstractButton;
class QMessageBox;

namespace fw {

class AboutWindowController;
class CustomLayoutEditorController;
class LayoutFileController;
class ShortcutsWindowController;
class StatusMenuView;
class TourWindowController;
class UpdateCheck;
class WelcomeWindowController;
class WhatsNewWindowController;

class AppDelegate final : public ShellViews {
public:
    AppDelegate(Platform& platform, const QStringList& arguments);
    // Terminates first when launched and not yet terminated.
    ~AppDelegate() override;
    AppDelegate(const AppDelegate&) = delete;
    AppDelegate& operator=(const AppDelegate&) = delete;

    // The launch sequence; once.
    void launch();
    // Undoes what launch registered, in order; once.
    void terminate();
    // The program was launched again while it runs: the welcome window.
    void reopen() { showWelcome(); }

    // The report sink: the log ("App", "%{public}s") and a 4-second notice.
    void log(const QString& text);
    // A one-time tip, unless paused: "Tip · " and the text for 7 seconds.
    void showTip(Tip tip);

    // How the program ends (the application's quit by default).
    std::function<void()> quitApplication;
    // Runs a modal alert, kept above other windows; the button chosen, or null.
    std::function<QAbstractButton*(QMessageBox&)> runAlert;
    // Runs once the welcome window's controller is made, before it is first shown.
    std::function<void(WelcomeWindowController&)> onWelcomeCreated;
    // Where the Start at Login entry is written.
    void setLoginItem(LoginItem item) { loginItem_ = std::move(item); }

    // ---- ShellViews
    void showWelcome() override;
    void openCustomLayoutEditor(const QString& displayKey, const std::optional<SnapLayout>& layout) override;
    void importLayouts(const QString& displayKey) override;
    void exportLayouts(const QString& displayKey, const std::optional<SnapLayout>& current) override;
    bool confirmResetLayouts(const ScreenInfo& screen) override;
    void showShortcuts() override;
    void showAbout() override;
    void showTour() override;
    void checkForUpdates() override;
    bool gpuAvailable() override;
    void pausedChanged(bool paused) override;
    void quit() override;

    // ---- State, for tests and the program's entry
    bool terminated() const { return terminated_; }
    SnapCoordinator& coordinator() { return coordinator_; }
    ShellCommands& commands() { return commands_; }
    ToastController& toast() { return toast_; }
    MainThreadStallLog& menuStalls() { return menuStalls_; }
    OverlayController& overlay() { return overlay_; }
    stacks::StackEngine& stacks() { return stacks_; }
    StatusMenuView* tray() const { return statusMenu_.view(); }
    WelcomeWindowController* welcome() const { return welcome_.get(); }
    TourWindowController* tour() const { return tour_.get(); }
    WhatsNewWindowController* whatsNew() const { return whatsNew_.get(); }

private:
    // The drag monitor, made at its first use.
    DragMonitor& monitor();
    void installProcessHooks();
    void removeProcessHooks();
    void buildStatusMenu();
    void installCoordinatorSinks();
    void startDragTracking();
    void startStacks();
    void startShortcuts();
    void observeDisplays();
    void showFirstRunWindows();
    // A tray host came or went, or named another colour, or the bus was reached: the menu's
    // upkeep follows, and Getting Started with it.
    void trayHostChanged();
    // Builds the drag's layout picker for the primary display ahead of its first showing.
    void preparePicker();
    void displayConfigurationChanged();
    void presentationChanged(bool shown);
    // Watches the window the picker places while the picker is shown.
    void watchPickerWindow(bool shown);
    void installDragMonitor();
    void stopDragMonitor();
    void permissionTick();
    void showLostPermissionAlert();
    void showWhatsNewIfUpdated(bool firstLaunch);

    Platform& platform_;
    LaunchOptions options_;
    WindowAppIcons appIcons_;   // the icons cards and badges show
    LayoutStore store_;
    WindowAccess access_;
    WindowPlacement placement_;
    OverlayController overlay_;
    OverlayFeedback feedback_;
    WindowThumbnails thumbnails_;
    GlTransitionPresenter transitionPresenter_;
    WindowTransitions transitions_;
    ScrollCapture scrollCapture_;   // the stack switcher's scrolling
    ScrollCaptureSteps scrollSteps_;
    QtStackSurfaces stackSurfaces_;   // the badges, anchors and switchers the stacks show
    stacks::StackEngine stacks_;
    EngineStackCommands stackCommands_;
    HotKeyLabels shortcutLabels_;   // the keys the coordinator's notices name
    SnapCoordinator coordinator_;
    HotKeys hotKeys_;
    MouseShortcuts mouseShortcuts_;
    ToastController toast_;
    MainThreadStallLog menuStalls_;
    LoginItem loginItem_;
    TipPresenter tips_;
    ShellCommands commands_;
    bool lastTrusted_ = false;
    bool launched_ = false;
    bool terminated_ = false;

    StatusMenuUpkeep statusMenu_;
    std::unique_ptr<SnapDragHandler> dragHandler_; // after the coordinator: destroyed before it
    std::unique_ptr<DragMonitor> monitor_;         // goes before its handler
    std::unique_ptr<WelcomeWindowController> welcome_;
    std::unique_ptr<WhatsNewWindowController> whatsNew_;
    std::unique_ptr<TourWindowController> tour_;
    std::unique_ptr<AboutWindowController> about_;
    std::unique_ptr<ShortcutsWindowController> shortcuts_;
    std::unique_ptr<CustomLayoutEditorController> editors_;
    std::unique_ptr<LayoutFileController> layoutFiles_;
    std::unique_ptr<UpdateCheck> updates_;
    std::optional<bool> gpu_;
    Lifeline<AppDelegate> self_{this};
    TaskScope tasks_;   // last: its deferred steps end before anything they use
};

} // namespace fw
