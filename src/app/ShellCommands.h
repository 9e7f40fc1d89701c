#pragma once
// What the shell does when the user asks for something: every hot key and mouse-button
// shortcut ends here as a command id, and every status-menu item as a MenuCommand with its
// payload. This decides which window and which display a command acts on, when the pause, the
// window-control grant or the stacks setting stop it, and which one-sentence notice the user
// gets when it cannot run; the work itself is the coordinator's and the stack controller's, and
// the windows it opens are the views' (ShellViews). Main thread only.
//
//   ShellCommands commands(services);
//   hotKeys.action = [&](std::uint32_t id) { commands.handleHotKey(id); };
//   tray.onCommand = [&](MenuCommand c, const MenuPayload& p) { commands.perform(c, p); };

#include "app/LoginItem.h"
#include "app/StackCommands.h"
#include "app/Shortcuts.h"
#include "app/StatusMenuModel.h"
#include "base/TaskScope.h"
#include "platform/Platform.h"
#include "snap/DragMonitor.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace fw {

class LayoutStore;
class SnapCoordinator;
class WindowAccess;

// The windows and panels the commands open, and the program itself; the application delegate.
class ShellViews {
public:
    virtual ~ShellViews() = default;
    virtual void showWelcome() = 0;
    virtual void openCustomLayoutEditor(const QString& displayKey, const std::optional<SnapLayout>& layout) = 0;
    virtual void importLayouts(const QString& displayKey) = 0;
    virtual void exportLayouts(const QString& displayKey, const std::optional<SnapLayout>& current) = 0;
    // The modal "Reset layouts on …?" alert; true for "Reset".
    virtual bool confirmResetLayouts(const ScreenInfo& screen) = 0;
    virtual void showShortcuts() = 0;
    virtual void showAbout() = 0;
    virtual void showTour() = 0;
    virtual void checkForUpdates() = 0;
    // Whether this computer can draw the GPU transitions (asked once per run).
    virtual bool gpuAvailable() = 0;
    // The tray icon shows the pause.
    virtual void pausedChanged(bool paused) = 0;
    virtual void quit() = 0;
};

struct ShellServices {
    Platform& platform;
    WindowAccess& access;
    SnapCoordinator& coordinator;
    StackCommands& stacks;
    LayoutStore& store;
    LoginItem& loginItem;
    ShellViews& views;
    // The drag monitor, created on first use.
    std::function<DragMonitor&()> monitor;
    // The report sink: the log and a 4-second notice.
    std::function<void(const QString&)> report;
};

class ShellCommands {
public:
    static inline const QString windowStacksEnabledKey = QStringLiteral("windowStacksEnabled");
    static inline const QString badgesAutoPlaceKey = QStringLiteral("stackBadgesAutoPlace");
    static inline const QString hadWindowControlKey = QStringLiteral("hadWindowControl");

    explicit ShellCommands(ShellServices services);
    ~ShellCommands();
    ShellCommands(const ShellCommands&) = delete;
    ShellCommands& operator=(const ShellCommands&) = delete;

    // ---- Dispatch of hot keys and mouse shortcuts
    // Ids 1–3 and 5–9 are the actions' numbers, 4 the Escape key while the picker is shown,
    // 101–109 Ctrl+Alt+1 … 9. Nothing happens while paused; other ids are ignored.
    void handleHotKey(std::uint32_t id);
    // The same command as the action's hot key; the stack commands act on the window under
    // the clicked point.
    void handleMouseShortcut(ShortcutAction action, Point at);

    void chooseLayout();
    void placeFocusedWindow();
    void showWindowStack();
    void cycleStack(bool forward);
    void sendFocusedSpanToBack();

    // The display of the focused window (its largest share, the first display on a tie), else
    // the display under the pointer. Nothing without displays.
    std::optional<ScreenInfo> targetScreen() const;
    // The first display under the pointer, else the primary one.
    std::optional<ScreenInfo> screenUnderMouse() const;

    // ---- The status menu
    // Runs a menu item's command with the payload it carries.
    void perform(MenuCommand command, const MenuPayload& payload);
    // The menu opens: the stack controller is told, and "hadWindowControl" is recorded while
    // window control is granted. The state the menu shows.
    StatusMenuState menuWillOpen();
    void menuDidClose();
    // What the menu shows now.
    StatusMenuState menuState() const;

    bool paused() const { return paused_; }
    void togglePause();
    // Stacks on as stored ("windowStacksEnabled", on when absent or not a Boolean).
    bool stacksSetting() const;

    // ---- Buttons of the tour and the welcome window
    void tryTourPage(int page);
    void previewLayouts();
    void adjustDividers();
    void arrangeWindow();
    void enableThumbnails();

private:
    bool trusted() const;
    void cancelDrag();
    std::optional<ManagedWindow> stackCommandWindow(const QString& disabledNotice, const QString& noWindowNotice);
    void restoreWindow();
    // The display with the payload's key, on the next turn of the loop; nothing when gone.
    void withDisplay(const MenuPayload& payload, std::function<void(const ScreenInfo&)> then);
    void performDisplayCommand(MenuCommand command, const MenuPayload& payload);
    void performStackSetting(MenuCommand command, const MenuPayload& payload);
    void applyMenuLayout(const MenuPayload& payload);
    void chooseLayoutToSwitch(const MenuPayload& payload);
    void editCustomLayout(const MenuPayload& payload);
    void chooseTransition(const MenuPayload& payload);
    void toggleStacks();
    void toggleLogin();
    void applyStacksSetting();

    ShellServices s_;
    bool paused_ = false;
    std::optional<Point> pointerTarget_;
    std::optional<bool> gpu_;
    bool menuOpen_ = false;
    TaskScope tasks_;
};

} // namespace fw
