// The status menu's commands and the state the menu shows.
#include "app/ShellCommands.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/SnapCoordinator.h"
#include "transitions/StackTransition.h"
#include "windows/WindowAccess.h"

namespace fw {

void ShellCommands::perform(MenuCommand command, const MenuPayload& payload)
{
    switch (command) {
    case MenuCommand::none: return;
    case MenuCommand::showWelcome: return s_.views.showWelcome();
    case MenuCommand::openTilingSettings: s_.platform.desktop.openTilingSettings(); return;
    case MenuCommand::togglePause: return togglePause();
    case MenuCommand::placeFocusedWindow: return placeFocusedWindow();
    case MenuCommand::chooseLayout: return chooseLayout();
    case MenuCommand::adjustLayout: return adjustDividers();
    case MenuCommand::restoreWindow: return restoreWindow();
    case MenuCommand::showWindowStack: return showWindowStack();
    case MenuCommand::nextInStack: return cycleStack(true);
    case MenuCommand::previousInStack: return cycleStack(false);
    case MenuCommand::sendFocusedSpanToBack: return sendFocusedSpanToBack();
    case MenuCommand::toggleLogin: return toggleLogin();
    case MenuCommand::enableThumbnails: return enableThumbnails();
    case MenuCommand::showShortcuts: return s_.views.showShortcuts();
    case MenuCommand::showTour: return s_.views.showTour();
    case MenuCommand::checkForUpdates: return s_.views.checkForUpdates();
    case MenuCommand::showAbout: return s_.views.showAbout();
    case MenuCommand::quit: return s_.views.quit();
    case MenuCommand::applyMenuLayout: return applyMenuLayout(payload);
    case MenuCommand::chooseLayoutToSwitch: return chooseLayoutToSwitch(payload);
    case MenuCommand::editCustomLayout: return editCustomLayout(payload);
    case MenuCommand::createCustomLayout:
    case MenuCommand::importLayouts:
    case MenuCommand::exportLayouts:
    case MenuCommand::resetLayouts: return performDisplayCommand(command, payload);
    case MenuCommand::chooseTransition:
    case MenuCommand::toggleStacks:
    case MenuCommand::toggleBadges:
    case MenuCommand::toggleBadgeAutoPlace:
    case MenuCommand::toggleBadgesOnEdge:
    case MenuCommand::resetAllBadges: return performStackSetting(command, payload);
    }
}

void ShellCommands::withDisplay(const MenuPayload& payload, std::function<void(const ScreenInfo&)> then)
{
    const QString* key = std::get_if<QString>(&payload);
    if (!key)
        return;
    tasks_.after(Duration::zero(), [this, key = *key, then = std::move(then)] {
        if (const auto screen = screenWithKey(s_.platform.screens.screens(), key))
            then(*screen);
    });
}

void ShellCommands::performDisplayCommand(MenuCommand command, const MenuPayload& payload)
{
    withDisplay(payload, [this, command](const ScreenInfo& screen) {
        const QString key = displayKey(screen);
        if (command == MenuCommand::createCustomLayout) {
            s_.views.openCustomLayoutEditor(key, std::nullopt);
            return;
        }
        cancelDrag();
        if (command == MenuCommand::importLayouts) {
            s_.views.importLayouts(key);
        } else if (command == MenuCommand::exportLayouts) {
            const auto it = s_.coordinator.groups().find(key);
            s_.views.exportLayouts(key, it == s_.coordinator.groups().end() ? std::nullopt
                                                                            : std::optional(it->second.layout));
        } else if (s_.views.confirmResetLayouts(screen)) {
            tasks_.spawn(s_.coordinator.resetLayouts(screen));
        }
    });
}

void ShellCommands::editCustomLayout(const MenuPayload& payload)
{
    const QStringList* pair = std::get_if<QStringList>(&payload);
    if (!pair || pair->size() != 2)
        return;
    withDisplay(pair->at(0), [this, id = pair->at(1)](const ScreenInfo& screen) {
        const QString key = displayKey(screen);
        for (const SnapLayout& layout : s_.store.customLayouts(key)) {
            if (layout.id == id) {
                s_.views.openCustomLayoutEditor(key, layout);
                return;
            }
        }
    });
}

void ShellCommands::applyMenuLayout(const MenuPayload& payload)
{
    const LayoutMenuChoice* choice = std::get_if<LayoutMenuChoice>(&payload);
    if (paused_ || !trusted() || !choice)
        return;
    tasks_.after(Duration::zero(), [this, choice = *choice] {
        if (paused_)
            return;
        const auto screen = screenWithKey(s_.platform.screens.screens(), choice.display);
        if (!screen)
            return;
        if (!(topLeftVisibleFrame(*screen) == choice.displayBounds)) {
            s_.report(QStringLiteral("The display changed. Open Choose a Layout again."));
            return;
        }
        cancelDrag();
        s_.coordinator.startLayoutApplication(choice.layout, *screen);
    });
}

void ShellCommands::chooseLayoutToSwitch(const MenuPayload& payload)
{
    const QStringList* pair = std::get_if<QStringList>(&payload);
    if (!pair || pair->size() != 2)
        return;
    const auto screen = screenWithKey(s_.platform.screens.screens(), pair->at(0));
    if (!screen)
        return;
    const auto own = s_.store.customLayouts(displayKey(*screen));
    for (std::size_t i = 0; i < own.size(); ++i) {
        if (own[i].id == pair->at(1)) {
            tasks_.after(Duration::zero(), [this, i, screen = *screen] {
                s_.coordinator.applySavedLayout(int(i), screen);
            });
            return;
        }
    }
}

void ShellCommands::performStackSetting(MenuCommand command, const MenuPayload& payload)
{
    StackCommands& stacks = s_.stacks;
    const StackBadgeSettings badges = stacks.badgeSettings();
    switch (command) {
    case MenuCommand::chooseTransition: return chooseTransition(payload);
    case MenuCommand::toggleStacks: return toggleStacks();
    case MenuCommand::toggleBadges: return stacks.setBadgesEnabled(!badges.enabled);
    case MenuCommand::toggleBadgesOnEdge: return stacks.setBadgesOnEdge(!badges.onEdge);
    case MenuCommand::toggleBadgeAutoPlace:
        s_.platform.defaults.setValue(badgesAutoPlaceKey, !badges.autoPlace);
        stacks.setAutoPlaceBadges(!badges.autoPlace);
        return;
    case MenuCommand::resetAllBadges:
        if (stacks.hasMovedBadges())
            stacks.resetBadgePlacements();
        stacks.refresh(true);
        return;
    default: return;
    }
}

void ShellCommands::chooseTransition(const MenuPayload& payload)
{
    const QString* text = std::get_if<QString>(&payload);
    const auto transition = text ? stackTransitionFromRawValue(*text) : std::nullopt;
    if (!transition)
        return;
    store(*transition, s_.platform.defaults);
    if (s_.platform.stacking && !s_.platform.stacking->compositing()) {
        s_.report(QStringLiteral("This desktop has no compositor that draws transparency, so stacks switch without animation."));
        return;
    }
    if (*transition == StackTransition::shuffle)
        return;
    if (!gpu_)
        gpu_ = s_.views.gpuAvailable();
    if (!*gpu_) {
        s_.report(QStringLiteral("This computer can’t run the %1 effect. Stacks will switch without it.")
                      .arg(title(*transition)));
        return;
    }
    if (!s_.platform.permissions.windowPreviewsGranted())
        s_.report(QStringLiteral("This desktop gives no window previews, so stacks use Shuffle."));
}

void ShellCommands::enableThumbnails()
{
    s_.coordinator.endInteraction(false);
    if (s_.platform.permissions.windowPreviewsGranted())
        s_.report(QStringLiteral("Window thumbnails are enabled for Snap Assist and Window Stacks."));
    else
        s_.report(QStringLiteral("This desktop gives no window previews."));
}

bool ShellCommands::stacksSetting() const { return s_.platform.defaults.boolValue(windowStacksEnabledKey, true); }

void ShellCommands::applyStacksSetting() { s_.stacks.setEnabled(!paused_ && stacksSetting()); }

void ShellCommands::toggleStacks()
{
    s_.platform.defaults.setValue(windowStacksEnabledKey, !stacksSetting());
    applyStacksSetting();
}

void ShellCommands::toggleLogin()
{
    if (const auto error = s_.loginItem.setEnabled(!s_.loginItem.enabled()))
        s_.report(QStringLiteral("Couldn’t change Start at Login: ") + *error);
}

void ShellCommands::togglePause()
{
    paused_ = !paused_;
    DragMonitor& monitor = s_.monitor();
    monitor.enabled = !paused_;
    if (paused_) {
        monitor.reset(true);
        s_.coordinator.endInteraction(false);
    }
    s_.stacks.setMonitoringEnabled(!paused_);
    applyStacksSetting();
    s_.views.pausedChanged(paused_);
}

StatusMenuState ShellCommands::menuWillOpen()
{
    menuOpen_ = true;
    s_.stacks.setStatusMenuOpen(true);
    if (trusted())
        s_.platform.defaults.setValue(hadWindowControlKey, true);
    return menuState();
}

void ShellCommands::menuDidClose()
{
    s_.stacks.setStatusMenuOpen(false);
    if (std::exchange(menuOpen_, false)) {
        s_.stacks.menuClosed();
    }
}

StatusMenuState ShellCommands::menuState() const
{
    StatusMenuState state;
    Platform& p = s_.platform;
    state.paused = paused_;
    state.windowControl = trusted();
    state.windowPreviews = p.permissions.windowPreviewsGranted();
    state.compositing = !p.stacking || p.stacking->compositing();
    state.startAtLogin = s_.loginItem.enabled();
    if (!state.startAtLogin)
        state.startAtLoginMissing = s_.loginItem.missingProgram();
    state.edgeTiling = p.desktop.windowManagerPreference(DesktopSettings::edgeTilingKey);
    state.topTiling = p.desktop.windowManagerPreference(DesktopSettings::topTilingKey);
    const ShortcutStore shortcuts(p.defaults);
    for (ShortcutAction action : allShortcutActions)
        state.combos[action] = shortcuts.combo(action);
    state.stacks = {s_.stacks.available(), s_.stacks.presented(), stacksSetting(), readStackTransition(p.defaults),
                    s_.stacks.badgeSettings(), s_.stacks.hasMovedBadges()};
    if (const auto screen = targetScreen()) {
        DisplayMenuState& d = state.display;
        d.screen = *screen;
        d.key = displayKey(*screen);
        const auto group = s_.coordinator.groups().find(d.key);
        if (group != s_.coordinator.groups().end())
            d.applied = group->second.layout;
        d.offered = s_.store.menuLayouts(d.key, d.applied);
        d.custom = s_.store.customLayouts(d.key);
        d.activeCustom = s_.coordinator.activeLayout(*screen).active;
    }
    return state;
}

} // namespace fw
