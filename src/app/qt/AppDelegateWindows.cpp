// The windows and panels the application delegate opens: the welcome window with its permission
// check, What's New after an update, the tour, About, the shortcuts window, the layout editor
// and file panels, the update check and the shell's alerts.
#include "app/WelcomeShortcuts.h"
#include "app/qt/AppDelegate.h"

#include "app/qt/ShortcutsWindow.h"
#include "app/qt/StatusMenuView.h"
#include "editor/qt/CustomLayoutEditor.h"
#include "editor/qt/CustomLayoutEditorController.h"
#include "editor/qt/LayoutFileController.h"
#include "layout/ScreenGeometry.h"
#include "onboarding/ProductInfo.h"
#include "onboarding/UpdateCheck.h"
#include "onboarding/WhatsNew.h"
#include "onboarding/qt/AboutWindow.h"
#include "onboarding/qt/TourWindow.h"
#include "onboarding/qt/UpdateAlerts.h"
#include "onboarding/qt/WelcomeVideoView.h"
#include "onboarding/qt/WelcomeWindow.h"
#include "onboarding/qt/WhatsNewWindow.h"
#include "overlay/ActionButton.h"
#include "platform/qt/WindowFit.h"
#include "transitions/StackTransition.h"
#include "windows/RunningApplications.h"

#include <QMessageBox>
#include <QPushButton>

namespace fw {

namespace {

// A modal alert with its buttons in order; the first is the default. It opens on the screen under
// the pointer, within its work area.
std::unique_ptr<QMessageBox> makeAlert(const QString& message, const QString& informative, const QStringList& buttons,
                                       bool firstDestroys = false)
{
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(QStringLiteral("Framewell"));
    box->setIcon(QMessageBox::Warning);
    box->setText(message);
    box->setInformativeText(informative);
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        const auto role = i == 0 ? (firstDestroys ? QMessageBox::DestructiveRole : QMessageBox::AcceptRole)
                                 : QMessageBox::RejectRole;
        QPushButton* button = box->addButton(buttons[i], role);
        if (i == 0)
            box->setDefaultButton(button);
        else
            box->setEscapeButton(button);
    }
    WindowFit::fitToWorkArea(box.get());
    return box;
}

// Whether the alert was answered with its first button (accepting or destroying).
bool firstChosen(const QMessageBox& box, QAbstractButton* clicked)
{
    if (!clicked)
        return false;
    const auto role = box.buttonRole(clicked);
    return role == QMessageBox::AcceptRole || role == QMessageBox::DestructiveRole;
}

} // namespace

void AppDelegate::showWelcome()
{
    coordinator_.endInteraction(false);
    if (!welcome_) {
        welcome_ = std::make_unique<WelcomeWindowController>(
            platform_.permissions, platform_.defaults, platform_.clock,
            [this] { return welcomeShortcutLine(shortcutLabels_); });
        welcome_->onPreview = [this] { commands_.previewLayouts(); };
        welcome_->onAdjust = [this] { commands_.adjustDividers(); };
        welcome_->onTour = [this] { showTour(); };
        welcome_->onPreviews = [this] { commands_.enableThumbnails(); };
        welcome_->onArrange = [this] { commands_.arrangeWindow(); };
        welcome_->onReport = [this](const QString& text) { log(text); };
        welcome_->onPermissionTick = [this] { permissionTick(); };
        welcome_->windowManagerPreference = [this](const QString& key) {
            return platform_.desktop.windowManagerPreference(key);
        };
        welcome_->openDesktopSettings = [this] { platform_.desktop.openTilingSettings(); };
        welcome_->trayShown = [this] { return statusMenu_.trayShown(); };
        welcome_->transitionTitle = [this] { return title(readStackTransition(platform_.defaults)); };
        if (onWelcomeCreated)
            onWelcomeCreated(*welcome_);
    }
    welcome_->show();
}

void AppDelegate::showWhatsNewIfUpdated(bool firstLaunch)
{
    // While Getting Started shows (--welcome, or window control to grant) the notes wait for a
    // later launch: they are marked seen only when shown. The very first launch has none and
    // records the installed version.
    if (!firstLaunch && welcome_ && welcome_->window()->isVisible())
        return;
    const auto entries = WhatsNew::entriesForLaunch(platform_.defaults, productVersion(), firstLaunch);
    if (entries.empty())
        return;
    whatsNew_ = std::make_unique<WhatsNewWindowController>(entries, platform_.clock);
    whatsNew_->onTour = [this] { showTour(); };
    whatsNew_->show();
}

void AppDelegate::showLostPermissionAlert()
{
    auto box = makeAlert(QStringLiteral("Framewell lost window control"),
                         QStringLiteral("This can happen after an update or a change of window manager. Framewell "
                                        "still runs, but its window moves are no longer accepted. Reset window "
                                        "control, then try again."),
                         {QStringLiteral("Reset Window Control"), QStringLiteral("Later")});
    if (!firstChosen(*box, runAlert(*box)))
        return;
    if (!access_.resetAccessibilityPermission())
        log(QStringLiteral("Couldn’t reset automatically. Quit Framewell and start it again."));
}

void AppDelegate::openCustomLayoutEditor(const QString& displayKey, const std::optional<SnapLayout>& layout)
{
    if (!editors_) {
        editors_ = std::make_unique<CustomLayoutEditorController>(store_, platform_.screens, platform_.clock);
        editors_->appliedLayout = [this](const QString& key) -> std::optional<SnapLayout> {
            const auto it = coordinator_.groups().find(key);
            return it == coordinator_.groups().end() ? std::nullopt : std::optional(it->second.layout);
        };
        editors_->cancelDrag = [this] { monitor().cancel(); };
        editors_->runningApplications = [this] {
            return platform_.applications ? RunningApplications(platform_.windows, *platform_.applications).ids()
                                          : QStringList();
        };
        editors_->actions.canApply = [this] {
            return !commands_.paused() && platform_.permissions.windowControlGranted(false);
        };
        editors_->actions.apply = [this](const SnapLayout& saved, const ScreenInfo& screen) {
            coordinator_.startLayoutApplication(saved, screen);
        };
        editors_->actions.report = [this](const QString& text) { log(text); };
    }
    editors_->openCustomLayoutEditor(displayKey, layout);
}

void AppDelegate::importLayouts(const QString& displayKey)
{
    if (!layoutFiles_)
        layoutFiles_ = std::make_unique<LayoutFileController>(store_, platform_.screens, platform_.clock,
                                                              [this](const QString& text) { log(text); });
    layoutFiles_->importLayouts(displayKey);
}

void AppDelegate::exportLayouts(const QString& displayKey, const std::optional<SnapLayout>& current)
{
    if (!layoutFiles_)
        layoutFiles_ = std::make_unique<LayoutFileController>(store_, platform_.screens, platform_.clock,
                                                              [this](const QString& text) { log(text); });
    layoutFiles_->exportLayouts(displayKey, current);
}

bool AppDelegate::confirmResetLayouts(const ScreenInfo& screen)
{
    auto box = makeAlert(QStringLiteral("Reset layouts on %1?").arg(screen.name),
                         QStringLiteral("Built-in layouts return to their original proportions, and snapped windows "
                                        "on this display move to match. Named custom layouts are kept. This can’t be "
                                        "undone."),
                         {QStringLiteral("Reset"), QStringLiteral("Cancel")}, true);
    WindowFit::fitToWorkArea(box.get(), screen.visibleFrame);
    return firstChosen(*box, runAlert(*box));
}

void AppDelegate::showShortcuts()
{
    monitor().cancel();
    if (!shortcuts_) {
        shortcuts_ = std::make_unique<ShortcutsWindowController>(platform_.defaults);
        shortcuts_->failures = [this] { return hotKeys_.failures(); };
        shortcuts_->layoutKeyFailures = [this] { return hotKeys_.layoutKeyFailures(); };
        shortcuts_->mouseUnavailable = [this] { return mouseShortcuts_.unavailable(); };
        shortcuts_->keyCodeForKey = [this](std::uint32_t key) { return platform_.hotKeys.keyCodeForKey(key); };
        shortcuts_->sameKey = [this](std::uint32_t a, std::uint32_t b) { return platform_.hotKeys.sameKey(a, b); };
        shortcuts_->holdKeyboard = [this](std::uint64_t window) { return platform_.hotKeys.holdKeyboard(window); };
        shortcuts_->releaseKeyboard = [this] { platform_.hotKeys.releaseKeyboard(); };
        shortcuts_->onRecording = [this](bool recording) {
            hotKeys_.setSuspended(recording);
            mouseShortcuts_.setSuspended(recording);
        };
        shortcuts_->onChange = [this] {
            hotKeys_.reregister();
            mouseShortcuts_.configure(platform_.defaults);
            shortcuts_->refresh();
            if (welcome_)
                welcome_->refreshShortcuts();
            statusMenu_.scheduleRefresh();
        };
    }
    shortcuts_->refresh();
    if (!shortcuts_->window()->isVisible())
        WindowFit::fitToWorkArea(shortcuts_->window());
    shortcuts_->show();
}

void AppDelegate::showAbout()
{
    monitor().cancel();
    if (!about_)
        about_ = std::make_unique<AboutWindowController>(platform_.clock);
    about_->show();
}

void AppDelegate::showTour()
{
    monitor().cancel();
    if (!tour_) {
        tour_ = std::make_unique<TourWindowController>(platform_.clock);
        tour_->onTry = [this](int page) { commands_.tryTourPage(page); };
    }
    tour_->open(0);
}

void AppDelegate::checkForUpdates()
{
    if (!updates_)
        updates_ = std::make_unique<UpdateCheck>(platform_.clock);
    std::weak_ptr<AppDelegate> weak = self_.weak();
    updates_->check(productVersion(), productBuild(), [weak](const UpdateCheck::Outcome& outcome) {
        auto self = weak.lock();
        if (!self)
            return;
        presentUpdateOutcome(outcome, vendorHost(), self->updates_->systemName(), {}, self->runAlert);
    });
}

bool AppDelegate::gpuAvailable()
{
    if (!gpu_)
        gpu_ = transitionPresenter_.gpuAvailable();
    return *gpu_;
}

void AppDelegate::pausedChanged(bool paused)
{
    mouseShortcuts_.setPaused(paused);
    if (StatusMenuView* tray = statusMenu_.view())
        tray->icon().setPaused(paused);
    statusMenu_.scheduleRefresh();
}

} // namespace fw
