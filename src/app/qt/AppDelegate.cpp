// The application delegate: construction, the launch sequence, termination, the display
// observers and the coordinator's sinks.
#include "app/qt/AppDelegate.h"

#include "app/qt/ShortcutsWindow.h"
#include "app/qt/StatusMenuView.h"
#include "editor/qt/CustomLayoutEditor.h"
#include "editor/qt/CustomLayoutEditorController.h"
#include "editor/qt/LayoutFileController.h"
#include "base/Log.h"
#include "layout/ScreenGeometry.h"
#include "onboarding/ProductInfo.h"
#include "onboarding/UpdateCheck.h"
#include "onboarding/qt/AboutWindow.h"
#include "onboarding/qt/TourWindow.h"
#include "onboarding/qt/WelcomeVideoView.h"
#include "onboarding/qt/WelcomeWindow.h"
#include "onboarding/qt/WhatsNewWindow.h"
#include "overlay/AppIcon.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "overlay/WindowThumbnailButton.h"
#include "platform/qt/WindowFit.h"
#include "snap/AppNames.h"
#include "windows/TitleBar.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace fw {

namespace {

const QString hasOpenedKey = QStringLiteral("hasOpened");
const QString welcomeVideoShownKey = QStringLiteral("welcomeVideoShown");
const QString legacyLayersKey = QStringLiteral("layers.v1");

} // namespace

AppDelegate::AppDelegate(Platform& platform, const QStringList& arguments)
    : platform_(platform),
      options_(LaunchOptions::parse(arguments)),
      appIcons_(platform),
      store_(platform.defaults),
      access_(platform.windows, platform.screens, platform.clock, platform.permissions),
      placement_(access_),
      overlay_(&platform.clock, {}, [&platform] { return platform.screens.screens(); }),
      feedback_(overlay_),
      thumbnails_(access_, platform.permissions, platform.capture),
      transitionPresenter_(platform.clock, platform.stacking),
      transitions_(access_, platform.screens, platform.permissions, platform.capture, transitionPresenter_),
      scrollCapture_(platform.scrollTap, platform.clock),
      scrollSteps_(scrollCapture_),
      stackSurfaces_(AnchorServices{platform.clock, thumbnails_, platform.permissions, platform.screens, scrollSteps_},
                     [&platform] { return platform.desktop.reduceMotion(); }),
      stacks_({access_, platform.screens, platform.permissions, platform.clock, platform.defaults, transitions_,
               platform.activations, nullptr, options_.diagnostics, 0, &stackSurfaces_, &platform.mouse}),
      stackCommands_(stacks_, true),
      shortcutLabels_(hotKeys_),
      coordinator_(SnapServices{access_, placement_, platform.screens, platform.processes, platform.clock,
                                platform.defaults, store_, feedback_, stacks_, thumbnails_, options_.diagnostics,
                                &shortcutLabels_, platform.applications}),
      hotKeys_(platform.hotKeys, platform.defaults),
      mouseShortcuts_(platform.buttonGrabs),
      toast_(platform.clock, platform.screens, platform.pointerLocation),
      menuStalls_(platform.clock),
      loginItem_(LoginItem::defaultDirectory(), LoginItem::preferredExecutable(QCoreApplication::applicationFilePath())),
      tips_(platform.defaults),
      commands_(ShellServices{platform, access_, coordinator_, stackCommands_, store_, loginItem_, *this,
                              [this]() -> DragMonitor& { return monitor(); },
                              [this](const QString& text) { log(text); }}),
      lastTrusted_(platform.permissions.windowControlGranted(false)),
      statusMenu_({platform.clock, commands_, hotKeys_, stackCommands_, menuStalls_, platform.trayHost,
                   [this] { return terminated_; }}),
      tasks_(platform.clock)
{
    quitApplication = [] { QCoreApplication::quit(); };
    runAlert = [this](QMessageBox& box) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
        // Once the dialog's own loop shows it: activated, and given the keyboard where the
        // window manager ignores the activation.
        bringToFront(&box, platform_.clock);
        box.exec();
        return box.clickedButton();
    };
    installWindowIcon();
    tips_.paused = [this] { return commands_.paused(); };
    tips_.badgesOnEdge = [this] { return stackCommands_.badgeSettings().onEdge; };
    tips_.showNotice = [this](const QString& text, double seconds) { toast_.show(text, seconds, true); };
}

AppDelegate::~AppDelegate()
{
    self_.cut();
    if (launched_ && !terminated_)
        terminate();
}

DragMonitor& AppDelegate::monitor()
{
    if (!monitor_) {
        dragHandler_ = std::make_unique<SnapDragHandler>(coordinator_.context(), coordinator_.dragStates());
        monitor_ = std::make_unique<DragMonitor>(*dragHandler_, platform_.mouse, coordinator_.context().clock);
        monitor_->moveModifier = [this] { return platform_.desktop.moveModifier(); };
    }
    return *monitor_;
}

void AppDelegate::log(const QString& text)
{
    log::info(LogCategory::App, "%{public}s", text);
    toast_.show(text, 4.0);
}

void AppDelegate::showTip(Tip tip) { tips_.showTip(tip); }

// ---- Launch

void AppDelegate::launch()
{
    if (launched_)
        return;
    launched_ = true;
    // A settings file that cannot be written is told once, as a notice (and again when it
    // fails after having worked), and one that could not be read at once; what was met while
    // the program was built is told now, long enough to be read.
    platform_.defaults.setNoticeReport([this](const QString& text) {
        log::info(LogCategory::App, "%{public}s", text);
        toast_.show(text, 12.0);
    });
    // Stored custom layouts too damaged to read were dropped while loading: told once, now.
    store_.setReport([this](const QString& text) { log(text); });
    installProcessHooks();
    installCoordinatorSinks();
    // The drags and the keys first: the tray may take a while to be found, and nothing here
    // waits for it.
    startDragTracking();
    startStacks();
    startShortcuts();
    buildStatusMenu();
    std::weak_ptr<AppDelegate> weak = self_.weak();
    // Once ready and settled, what the first menu and the first drag show is built ahead.
    tasks_.after(std::chrono::milliseconds(1500), [weak] {
        if (auto self = weak.lock()) {
            self->statusMenu_.refresh();
            self->preparePicker();
        }
    });
    observeDisplays();
    showFirstRunWindows();
    options_.actAtLaunch(platform_, coordinator_, stackCommands_);
    statusMenu_.refresh();
    // Window control is always had on X11; the line names it only where a desktop withholds it.
    if (platform_.permissions.windowControlGranted(false))
        log::info(LogCategory::App, "Framewell started");
    else
        log::info(LogCategory::App, "Framewell started; no window control");
}

void AppDelegate::installProcessHooks()
{
    OverlayWindow::setStacking(platform_.stacking);
    OverlayWindow::setPanelFocus(platform_.panelFocus);
    installShortcuts(&shortcutLabels_);
    WindowFit::setPorts(&platform_.windows, &platform_.screens);
    AppNames::setApplications(platform_.applications);
    AppIcon::setApplications(platform_.applications);
    WindowThumbnailButton::appIconLookup() = [this](WindowId window) { return appIcons_.icon(window); };
    setTitleBarLayout([this] { return platform_.desktop.titleBarButtons(); });
    access_.setIdleInhibitors(&platform_.idleInhibitors);
    access_.setFocusHistory(platform_.focusHistory);
    access_.setReduceMotion([this] { return platform_.desktop.reduceMotion(); });
}

void AppDelegate::removeProcessHooks()
{
    WindowThumbnailButton::appIconLookup() = {};
    setTitleBarLayout({});
    WindowFit::setPorts(nullptr, nullptr);
    installShortcuts(nullptr);
    OverlayWindow::setPanelFocus(nullptr);
    OverlayWindow::setStacking(nullptr);
}

void AppDelegate::buildStatusMenu()
{
    statusMenu_.build();
    if (!platform_.trayHost)
        return;
    platform_.trayHost->setChangeHandler([this] { trayHostChanged(); });
    trayHostChanged();
}

void AppDelegate::trayHostChanged()
{
    // Getting Started says whether the menu is in the tray.
    if (statusMenu_.trayHostChanged() && welcome_)
        welcome_->refreshPermissionState();
}

void AppDelegate::installCoordinatorSinks()
{
    SnapSinks& sinks = coordinator_.sinks();
    sinks.report = [this](const QString& text) { log(text); };
    sinks.tip = [this](Tip tip) { showTip(tip); };
    stacks_.callbacks.tip = [this](Tip tip) { showTip(tip); };
    sinks.onCreateCustomLayout = [this](const QString& display) { openCustomLayoutEditor(display, std::nullopt); };
    sinks.onEditCustomLayout = [this](const QString& display, const SnapLayout& layout) {
        openCustomLayoutEditor(display, layout);
    };
    sinks.presentationChanged = [this](bool shown) { presentationChanged(shown); };
}

void AppDelegate::startDragTracking()
{
    monitor();
    installDragMonitor();
}

void AppDelegate::installDragMonitor()
{
    if (!monitor().globalMonitor())
        monitor().install();
}

void AppDelegate::stopDragMonitor() { monitor().stop(); }

void AppDelegate::startStacks()
{
    stackCommands_.setEnabled(commands_.stacksSetting());
    stackCommands_.start();
    stackCommands_.refresh(true);
}

void AppDelegate::startShortcuts()
{
    hotKeys_.action = [this](std::uint32_t id) {
        commands_.handleHotKey(id);
        statusMenu_.scheduleRefresh();
    };
    // A new keyboard layout moves keys and labels: the open windows show them again.
    hotKeys_.onKeysChanged = [this] {
        if (shortcuts_)
            shortcuts_->refresh();
        if (welcome_)
            welcome_->refreshShortcuts();
        statusMenu_.scheduleRefresh();
    };
    // Damaged entries are dropped before the keys are read, and told once.
    if (const auto notice = ShortcutStore(platform_.defaults).dropDamagedEntries())
        log(*notice);
    if (!hotKeys_.handlerInstalled()) {
        hotKeys_.installHandler();
        hotKeys_.registerKeys();
        // Keys another program holds are told once, here at the start, with where to change them.
        if (const auto notice = hotKeys_.takenKeysNotice()) {
            log::info(LogCategory::App, "%{public}s", *notice);
            toast_.show(*notice, 12.0);
        }
    }
    mouseShortcuts_.action = [this](ShortcutAction action, Point at) {
        commands_.handleMouseShortcut(action, at);
        statusMenu_.scheduleRefresh();
    };
    // The tap decides on its own thread whether a click over a window reaches a stack there.
    stackCommands_.setSlotsChanged([this] { mouseShortcuts_.setStackSlots(stackCommands_.stackSlots()); });
    mouseShortcuts_.setStackSlots(stackCommands_.stackSlots());
    mouseShortcuts_.configure(platform_.defaults);
}

void AppDelegate::observeDisplays()
{
    platform_.screens.setChangeHandler([this] { displayConfigurationChanged(); });
    platform_.workspaces.setChangeHandler([this] { displayConfigurationChanged(); });
}

void AppDelegate::displayConfigurationChanged()
{
    monitor().cancel();
    coordinator_.displaysChanged();
    statusMenu_.scheduleRefresh();
}

void AppDelegate::showFirstRunWindows()
{
    UserDefaults& defaults = platform_.defaults;
    const bool trusted = platform_.permissions.windowControlGranted(false);
    // A settings file that could not be read is a returning user's: their settings are gone from
    // use (they are told so), not their knowing the program.
    const bool returning = defaults.boolValue(hasOpenedKey, false) || defaults.openedUnreadableFile();
    if (!trusted || !returning || options_.welcome) {
        showWelcome();
        // Marked shown only when it plays: a build without a video leaves it for one with.
        if (!defaults.boolValue(welcomeVideoShownKey, false) && welcome_ && welcome_->playVideo())
            defaults.setValue(welcomeVideoShownKey, true);
    }
    if (!trusted && defaults.boolValue(ShellCommands::hadWindowControlKey, false)) {
        std::weak_ptr<AppDelegate> weak = self_.weak();
        tasks_.after(Duration::zero(), [weak] {
            if (auto self = weak.lock())
                self->showLostPermissionAlert();
        });
    }
    if (trusted)
        defaults.setValue(ShellCommands::hadWindowControlKey, true);
    showWhatsNewIfUpdated(!defaults.boolValue(hasOpenedKey, false));
    defaults.setValue(hasOpenedKey, true);
    defaults.remove(legacyLayersKey);
}

void AppDelegate::preparePicker()
{
    for (const ScreenInfo& screen : platform_.screens.screens()) {
        if (screen.primary)
            coordinator_.prepareLayoutPicker(screen);
    }
}

void AppDelegate::presentationChanged(bool shown)
{
    // A drag or a picker that ends may have applied a layout the menu marks.
    if (!shown)
        statusMenu_.scheduleRefresh();
    if (shown && !hotKeys_.escapeKeyRegistered())
        hotKeys_.registerEscapeKey();
    else if (!shown)
        hotKeys_.unregisterEscapeKey();
    watchPickerWindow(shown);
}

void AppDelegate::watchPickerWindow(bool shown)
{
    WindowWatch* watch = platform_.windowWatch;
    if (!watch)
        return;
    const auto window = shown ? coordinator_.pickerWindow() : std::nullopt;
    if (!window) {
        watch->end();
        return;
    }
    // A picker whose window is minimized or hidden (the desktop shown) closes, as Escape
    // closes it: its keys would otherwise go to whatever the desktop put in front.
    std::weak_ptr<AppDelegate> weak = self_.weak();
    watch->watch(window->element, [weak] {
        if (auto self = weak.lock()) {
            log::info(LogCategory::App, "The layout picker closed: its window was hidden");
            self->monitor().cancel();
        }
    });
}

void AppDelegate::permissionTick()
{
    const bool trusted = platform_.permissions.windowControlGranted(false);
    if (trusted)
        platform_.defaults.setValue(ShellCommands::hadWindowControlKey, true);
    if (trusted != lastTrusted_) {
        lastTrusted_ = trusted;
        stopDragMonitor();
        installDragMonitor();
    }
}

// ---- Termination

void AppDelegate::terminate()
{
    if (!launched_ || terminated_)
        return;
    terminated_ = true;
    stopDragMonitor();
    hotKeys_.unregisterEscapeKey();
    hotKeys_.unregisterAll();
    hotKeys_.removeHandler();
    mouseShortcuts_.stop();
    stackCommands_.setSlotsChanged({});
    coordinator_.endInteraction(false);
    // The stacks close their switchers and take their panels down, then scrolling goes back.
    stackCommands_.stop();
    scrollCapture_.stop();
    if (welcome_)
        welcome_->close();
    platform_.screens.setChangeHandler({});
    platform_.workspaces.setChangeHandler({});
    menuStalls_.stop();
    if (platform_.trayHost)
        platform_.trayHost->setChangeHandler({});
    if (statusMenu_.view())
        statusMenu_.view()->icon().hide();
    removeProcessHooks();
    platform_.defaults.setNoticeReport({});
}

void AppDelegate::quit() { quitApplication(); }

} // namespace fw
