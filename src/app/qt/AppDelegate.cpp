// The application delegate: construction, the launch sequence, termination, the display
// observers and the coordinator's sinks.
#include "app/qt/AppDelegate.h"

#include "app/LaunchDiagnostics.h"
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

#include <unistd.h>

namespace fw {

namespace {

const QString hasOpenedKey = QStringLiteral("hasOpened");
const QString welcomeVideoShownKey = QStringLiteral("welcomeVideoShown");
const QString legacyLayersKey = QStringLiteral("layers.v1");

} // namespace

AppDelegate::Options AppDelegate::Options::parse(const QStringList& arguments)
{
    Options o;
    o.welcome = arguments.contains(QStringLiteral("--welcome"));
    o.preview = arguments.contains(QStringLiteral("--preview"));
    o.diagnostics = arguments.contains(QStringLiteral("--diagnostics"));
    return o;
}

AppDelegate::AppDelegate(Platform& platform, const QStringList& arguments)
    : platform_(platform),
      options_(Options::parse(arguments)),
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
            self->refreshMenu();
            self->preparePicker();
        }
    });
    observeDisplays();
    showFirstRunWindows();
    handleOptions();
    refreshMenu();
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
    WindowThumbnailButton::appIconLookup() = [this](Pid pid) { return appIcon(pid); };
    setTitleBarLayout([this] { return platform_.desktop.titleBarButtons(); });
    access_.setIdleInhibitors(&platform_.idleInhibitors);
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

std::optional<QIcon> AppDelegate::appIcon(Pid pid) const
{
    if (!platform_.applications)
        return std::nullopt;
    // Cards come many at a time (every candidate of every empty region): the installed entries
    // and the window list are read once for them all, again only after a while or for a process
    // that was not there.
    const Duration now = platform_.clock.now();
    if (!iconIds_ || now - iconIds_->readAt > kIconIdsLifetime || !iconIds_->byPid.contains(pid)) {
        WindowApplicationIndex index(*platform_.applications);
        index.rebuild();
        IconIds ids{now, {}};
        for (const WindowInfo& info : platform_.windows.snapshot()) {
            auto& id = ids.byPid[info.pid];
            if (id.isEmpty()) {
                if (const auto entry = index.entryFor(info))
                    id = entry->id;
            }
        }
        iconIds_ = std::move(ids);
    }
    const auto it = iconIds_->byPid.find(pid);
    if (it == iconIds_->byPid.end() || it->second.isEmpty())
        return std::nullopt;
    return AppIcon::icon(it->second);
}

void AppDelegate::buildStatusMenu()
{
    tray_ = std::make_unique<StatusMenuView>();
    tray_->icon().setTrayHost(platform_.trayHost);
    tray_->onOpen = [this] {
        menuStalls_.start();
        StatusMenuState state = commands_.menuWillOpen();
        state.takenLayoutKeys = hotKeys_.layoutKeyFailures();
        state.takenKeys = hotKeys_.failures();
        return state;
    };
    tray_->onClose = [this] {
        menuStalls_.stop();
        commands_.menuDidClose();
        // Once, however many closings a host sends.
        if (std::exchange(closeRefreshPending_, true))
            return;
        std::weak_ptr<AppDelegate> weak = self_.weak();
        tasks_.after(std::chrono::milliseconds(500), [weak] {
            if (auto self = weak.lock()) {
                self->closeRefreshPending_ = false;
                self->refreshMenu();
            }
        });
    };
    tray_->onCommand = [this](MenuCommand command, const MenuPayload& payload) {
        commands_.perform(command, payload);
        scheduleMenuRefresh();
    };
    if (!platform_.trayHost) {
        tray_->icon().join();
        return;
    }
    platform_.trayHost->setChangeHandler([this] { trayHostChanged(); });
    trayHostChanged();
}

void AppDelegate::trayHostChanged()
{
    TrayHost& host = *platform_.trayHost;
    const auto color = host.iconColor();
    tray_->icon().setHostColor(color ? std::optional<QColor>(QColor::fromRgb(*color)) : std::nullopt);
    // Nothing is said or made while the bus is still being reached or its watcher asked.
    if (!host.settled() || terminated_)
        return;
    const bool available = host.present() || host.statusNotifierHost();
    // The toolkit's tray asks the bus synchronously as it is made: made once a host is there
    // and the bus answers promptly, never before. From then on it follows the hosts itself.
    if (available)
        tray_->icon().join();
    const bool first = !std::exchange(trayKnown_, true);
    if (!first && available == trayAvailable_)
        return;
    trayAvailable_ = available;
    if (first && !available)
        log::info(LogCategory::App, "No system tray: Framewell runs without its menu; use its shortcuts, or start "
                                    "it again to open Getting Started");
    else if (!first && available)
        log::info(LogCategory::App, "System tray found: Framewell’s menu is in the tray");
    else if (!first)
        log::info(LogCategory::App, "No system tray any more: use Framewell’s shortcuts, or start it again to "
                                    "open Getting Started");
    if (welcome_)
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
        scheduleMenuRefresh();
    };
    // A new keyboard layout moves keys and labels: the open windows show them again.
    hotKeys_.onKeysChanged = [this] {
        if (shortcuts_)
            shortcuts_->refresh();
        if (welcome_)
            welcome_->refreshShortcuts();
        scheduleMenuRefresh();
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
        scheduleMenuRefresh();
    };
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
    scheduleMenuRefresh();
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

void AppDelegate::handleOptions()
{
    if (options_.preview) {
        for (const ScreenInfo& screen : platform_.screens.screens()) {
            if (screen.primary) {
                coordinator_.showLayoutPicker(std::nullopt, screen, false, std::nullopt, false);
                break;
            }
        }
    }
    if (options_.diagnostics)
        writeDiagnosticsAndSayWhere();
}

void AppDelegate::writeDiagnosticsAndSayWhere()
{
    const bool written = writeLaunchDiagnostics({platform_.permissions.windowPreviewsGranted(),
                                                 platform_.permissions.windowControlGranted(false), qint64(::getpid()),
                                                 int(platform_.screens.screens().size()), stackCommands_.diagnostics(),
                                                 coordinator_.recoveryDisplayRecords()});
    // The log is stderr: the one line is where a user who asked for diagnostics looks.
    sayDiagnosticsWhereabouts(written);
}

void AppDelegate::refreshMenu()
{
    if (!tray_ || terminated_ || tray_->menuOpen() || stackCommands_.menuOpen())
        return;
    StatusMenuState state = commands_.menuState();
    state.takenLayoutKeys = hotKeys_.layoutKeyFailures();
    state.takenKeys = hotKeys_.failures();
    tray_->render(state);
}

void AppDelegate::scheduleMenuRefresh()
{
    if (tray_)
        tray_->changed();
    if (std::exchange(menuRefreshPending_, true))
        return;
    std::weak_ptr<AppDelegate> weak = self_.weak();
    tasks_.after(Duration::zero(), [weak] {
        if (auto self = weak.lock()) {
            self->menuRefreshPending_ = false;
            self->refreshMenu();
        }
    });
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
        scheduleMenuRefresh();
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
    if (tray_)
        tray_->icon().hide();
    removeProcessHooks();
    platform_.defaults.setNoticeReport({});
}

void AppDelegate::quit() { quitApplication(); }

} // namespace fw
