// The real desktop: owns every X11 adapter and hands them out as one Platform; gives our windows
// a base size of 0, since Qt's scaled negative one makes fluxbox make them 65534 pixels wide.
#include "platform/x11/X11Platform.h"

#include "base/QtClock.h"
#include "platform/qt/DevicePixels.h"
#include "platform/x11/GnomeDesktopSettings.h"
#include "platform/x11/LocalProcesses.h"
#include "platform/x11/LogindIdleInhibitors.h"
#include "platform/x11/X11ApplicationActivations.h"
#include "platform/x11/X11ButtonGrabs.h"
#include "platform/x11/X11FocusHistory.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "platform/x11/X11MouseMonitor.h"
#include "platform/x11/X11PanelFocus.h"
#include "platform/x11/X11WindowWatch.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11Screens.h"
#include "platform/x11/X11ScrollTap.h"
#include "platform/x11/X11Stacking.h"
#include "platform/x11/X11TrayHost.h"
#include "platform/x11/X11WindowCapture.h"
#include "platform/x11/X11WindowSystem.h"
#include "platform/x11/X11Workspaces.h"
#include "platform/x11/XdgApplications.h"

#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QWindow>


namespace fw {

namespace {

// At a device pixel ratio above 1 Qt states size steps of one scaled logical pixel from a base
// size of a scaled -1 (-2 at 1.5 and 2) on every window it creates; fluxbox then makes such a
// managed window 65534 pixels wide. A base of 0 states the same steps without the harm; it is
// set as each window's surface is made, before the window is shown.
class WholeBaseSizes final : public QObject {
public:
    WholeBaseSizes() { qGuiApp->installEventFilter(this); }
    ~WholeBaseSizes() override
    {
        if (qGuiApp)
            qGuiApp->removeEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::PlatformSurface
            && static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() == QPlatformSurfaceEvent::SurfaceCreated)
            if (auto* window = qobject_cast<QWindow*>(watched); window && window->isTopLevel() && !window->baseSize().isValid())
                window->setBaseSize(QSize(0, 0));
        return false;
    }
};

} // namespace

struct X11Platform::Adapters {
    // First: the window port names windows from it, to its end.
    std::shared_ptr<const Applications> applications = std::make_shared<XdgApplications>();
    WholeBaseSizes baseSizes;
    QtClock clock;
    FileDefaults defaults;
    X11WindowSystem windows;
    X11Screens screens;
    X11Workspaces workspaces;
    X11ApplicationActivations activations;
    X11MouseMonitor mouse;
    X11Permissions permissions;
    LocalProcesses processes;
    LogindIdleInhibitors idleInhibitors;
    X11WindowCapture capture;
    X11GlobalHotKeys hotKeys;
    X11ButtonGrabs buttonGrabs;
    X11ScrollTap scrollTap;
    GnomeDesktopSettings desktop{[this] { return windows.windowManagerName(); }};
    X11Stacking stacking;
    X11PanelFocus panelFocus;
    X11TrayHost trayHost;
    X11WindowWatch windowWatch;
    X11FocusHistory focusHistory;
};

X11Platform::X11Platform() : adapters_(std::make_unique<Adapters>())
{
    Adapters& a = *adapters_;
    // Covered windows keep their pictures for the choosers' thumbnails, with no compositing
    // manager too.
    a.capture.keepPictures();
    // Every window is named by its application as the desktop names it.
    a.windows.setApplications(a.applications.get());
    platform_ = std::make_unique<Platform>(Platform{
        a.windows, a.screens, a.workspaces, a.activations, a.mouse, a.permissions, a.processes, a.idleInhibitors, a.capture,
        a.clock, a.defaults, a.hotKeys, a.buttonGrabs, a.scrollTap, a.desktop, a.applications,
        a.stacking.available() ? &a.stacking : nullptr,
        [] { return std::optional<Point>(DevicePixels::cursor()); },
        a.stacking.available() && a.panelFocus.connected() ? &a.panelFocus : nullptr, &a.trayHost,
        &a.windowWatch, &a.focusHistory});
}

X11Platform::~X11Platform() = default;

} // namespace fw
