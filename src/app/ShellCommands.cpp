// Dispatch of hot keys and mouse shortcuts, the window commands, the displays they act on, and
// the buttons of the tour and the welcome window.
#include "app/ShellCommands.h"

#include "app/HotKeys.h"
#include "layout/ScreenGeometry.h"
#include "snap/PlaceWindow.h"
#include "snap/SnapCoordinator.h"
#include "windows/WindowAccess.h"

namespace fw {

ShellCommands::ShellCommands(ShellServices services) : s_(std::move(services)), tasks_(s_.platform.clock) {}

ShellCommands::~ShellCommands() = default;

bool ShellCommands::trusted() const { return s_.platform.permissions.windowControlGranted(false); }

void ShellCommands::cancelDrag() { s_.monitor().cancel(); }

void ShellCommands::handleHotKey(std::uint32_t id)
{
    if (paused_)
        return;
    if (id >= HotKeys::firstLayoutKeyId && id < HotKeys::firstLayoutKeyId + 9) {
        const auto screen = targetScreen();
        if (screen)
            s_.coordinator.applySavedLayout(int(id - HotKeys::firstLayoutKeyId), *screen);
        return;
    }
    if (id == HotKeys::escapeKeyId) {
        cancelDrag();
        return;
    }
    const auto action = shortcutAction(id);
    if (!action)
        return;
    switch (*action) {
    case ShortcutAction::layouts: return chooseLayout();
    case ShortcutAction::adjust: return adjustDividers();
    case ShortcutAction::restore: return restoreWindow();
    case ShortcutAction::stack: return showWindowStack();
    case ShortcutAction::place: return placeFocusedWindow();
    case ShortcutAction::next: return cycleStack(true);
    case ShortcutAction::previous: return cycleStack(false);
    case ShortcutAction::sendToBack: return sendFocusedSpanToBack();
    }
}

void ShellCommands::handleMouseShortcut(ShortcutAction action, Point at)
{
    if (paused_)
        return;
    pointerTarget_ = at;
    handleHotKey(rawValue(action));
    pointerTarget_.reset();
}

void ShellCommands::chooseLayout()
{
    if (paused_)
        return;
    if (!trusted()) {
        s_.views.showWelcome();
        return;
    }
    if (const auto screen = targetScreen())
        s_.coordinator.showLayoutPicker(s_.access.focusedWindow(), *screen, false, std::nullopt, true);
}

void ShellCommands::placeFocusedWindow()
{
    if (paused_)
        return;
    if (!trusted()) {
        s_.views.showWelcome();
        return;
    }
    const auto read = s_.access.readFocusedWindow();
    const auto window = placeable(read);
    if (!window) {
        // A focused window that cannot be placed is told why: no other road places it either.
        const auto* refused = read ? std::get_if<RefusedWindow>(&*read) : nullptr;
        s_.report(refused ? refusalNotice(*refused)
                          : QStringLiteral("Focus a resizable window first, or drag one to the top center of a display."));
        return;
    }
    cancelDrag();
    if (const auto screen = targetScreen())
        s_.coordinator.showLayoutPicker(window, *screen, false, std::nullopt, false);
}

void ShellCommands::restoreWindow()
{
    tasks_.spawn(s_.coordinator.restoreFocusedWindow());
}

void ShellCommands::adjustDividers()
{
    if (const auto screen = screenUnderMouse())
        s_.coordinator.adjustLayout(*screen);
}

std::optional<ManagedWindow> ShellCommands::stackCommandWindow(const QString& disabledNotice,
                                                                const QString& noWindowNotice)
{
    if (paused_ || !s_.stacks.available())
        return std::nullopt;
    if (!trusted()) {
        s_.views.showWelcome();
        return std::nullopt;
    }
    if (!s_.stacks.enabled()) {
        s_.report(disabledNotice);
        return std::nullopt;
    }
    std::optional<ManagedWindow> window;
    if (pointerTarget_)
        window = s_.access.windowUnderPoint(*pointerTarget_);
    if (!window)
        window = s_.access.focusedWindow();
    if (!window) {
        s_.report(noWindowNotice);
        return std::nullopt;
    }
    cancelDrag();
    return window;
}

namespace {

const QString switchDisabled = QStringLiteral("Turn on Window Stacks to switch between overlapping windows.");
const QString switchNoWindow = QStringLiteral("Focus a window in the stack first.");
const QString switchFailed = QStringLiteral("No other windows share this window’s position and size.");

} // namespace

void ShellCommands::showWindowStack()
{
    // Without a drawn switcher there is nothing to show.
    if (!s_.stacks.presented())
        return;
    const auto window = stackCommandWindow(switchDisabled, switchNoWindow);
    if (window && !s_.stacks.presentPickerForFrontWindow(*window))
        s_.report(switchFailed);
}

void ShellCommands::cycleStack(bool forward)
{
    const auto window = stackCommandWindow(switchDisabled, switchNoWindow);
    if (window && !s_.stacks.cycleFrontStack(*window, forward))
        s_.report(switchFailed);
}

void ShellCommands::sendFocusedSpanToBack()
{
    const auto window = stackCommandWindow(QStringLiteral("Turn on Window Stacks to move a spanning window behind."),
                                           QStringLiteral("Focus a spanning window first."));
    if (window && !s_.stacks.sendSpanToBack(*window))
        s_.report(QStringLiteral("Focus a window that spans regions, or one it covers, to send the span to the back."));
}

std::optional<ScreenInfo> ShellCommands::screenUnderMouse() const
{
    const std::vector<ScreenInfo> screens = s_.platform.screens.screens();
    if (screens.empty())
        return std::nullopt;
    if (const auto at = s_.platform.pointerLocation ? s_.platform.pointerLocation() : std::nullopt) {
        if (const auto under = containing(screens, *at))
            return under;
    }
    for (const ScreenInfo& screen : screens) {
        if (screen.primary)
            return screen;
    }
    return screens.front();
}

std::optional<ScreenInfo> ShellCommands::targetScreen() const
{
    const auto window = s_.access.focusedWindow();
    const auto frame = window ? s_.access.frame(*window) : std::nullopt;
    if (!frame)
        return screenUnderMouse();
    const auto screen = mostOverlapping(s_.platform.screens.screens(), *frame);
    return screen ? screen : screenUnderMouse();
}

void ShellCommands::tryTourPage(int page)
{
    switch (page) {
    case 0: return previewLayouts();
    case 1: return showWindowStack();
    case 3:
        if (const auto screen = targetScreen())
            s_.views.openCustomLayoutEditor(displayKey(*screen), std::nullopt);
        return;
    case 4: return s_.views.showShortcuts();
    default: return;
    }
}

void ShellCommands::previewLayouts()
{
    if (const auto screen = screenUnderMouse())
        s_.coordinator.showLayoutPicker(std::nullopt, *screen, false, std::nullopt, false);
}

void ShellCommands::arrangeWindow()
{
    if (!trusted()) {
        s_.platform.permissions.windowControlGranted(true);
        return;
    }
    const auto screen = screenUnderMouse();
    if (screen)
        s_.coordinator.showWindowChooser(*screen);
}

} // namespace fw
