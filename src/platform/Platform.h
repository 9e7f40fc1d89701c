#pragma once
// Every port the program uses, in one place: the application shell is built from it. The
// real desktop's adapters are owned by X11Platform (platform/x11), the simulated desktop's by
// SimPlatform (platform/sim). Each referenced object outlives whoever is given the Platform.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "base/UserDefaults.h"
#include "platform/ApplicationActivations.h"
#include "platform/Applications.h"
#include "platform/ButtonGrabs.h"
#include "platform/DesktopSettings.h"
#include "platform/FocusHistory.h"
#include "platform/GlobalHotKeys.h"
#include "platform/IdleInhibitors.h"
#include "platform/MouseMonitor.h"
#include "platform/PanelFocus.h"
#include "platform/WindowWatch.h"
#include "platform/PanelStacking.h"
#include "platform/Permissions.h"
#include "platform/Processes.h"
#include "platform/Screens.h"
#include "platform/ScrollTap.h"
#include "platform/TrayHost.h"
#include "platform/WindowCapture.h"
#include "platform/WindowSystem.h"
#include "platform/Workspaces.h"

#include <functional>
#include <memory>
#include <optional>

namespace fw {

struct Platform {
    WindowSystem& windows;
    Screens& screens;
    Workspaces& workspaces;
    ApplicationActivations& activations;
    MouseMonitor& mouse;
    Permissions& permissions;
    Processes& processes;
    IdleInhibitors& idleInhibitors;
    WindowCapture& capture;
    Clock& clock;
    UserDefaults& defaults;
    GlobalHotKeys& hotKeys;
    ButtonGrabs& buttonGrabs;
    ScrollTap& scrollTap;
    DesktopSettings& desktop;
    // The installed applications: names, icons and launching by application id.
    std::shared_ptr<const Applications> applications;
    // Restacking of our panels and the compositing check; none where panels are not on a
    // window system (offscreen).
    PanelStacking* stacking = nullptr;
    // The pointer's global position; nothing when it cannot be read.
    std::function<std::optional<Point>()> pointerLocation;
    // The keyboard for our panels where the window manager does not hand it over; none where
    // panels are not on a window system (offscreen).
    PanelFocus* panelFocus = nullptr;
    // The tray host that embeds icons as windows; none where there is no such tray (offscreen).
    TrayHost* trayHost = nullptr;
    // The window a panel of ours acts on, watched until it is hidden; none where nothing tells.
    WindowWatch* windowWatch = nullptr;
    // The user's window from before a window of ours took the focus; none where nothing tells.
    FocusHistory* focusHistory = nullptr;
};

} // namespace fw
