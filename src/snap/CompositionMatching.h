#pragma once
// What a composition (a layout with its apps) needs before it places anything: the running
// windows matched to the apps each region lists, the apps that have no window, and the
// record the composition diagnostics keep of each placed window. Apps are named by their
// desktop-entry ids. Pure: the caller reads the windows' apps and frames.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "windows/ManagedWindow.h"

#include <QJsonObject>
#include <QString>
#include <map>
#include <optional>
#include <unordered_set>
#include <vector>

namespace fw {

// A running window that may serve a composition: its app's id (empty when unknown), its frame
// now (nothing when it cannot be read), and the other apps named by the composition whose
// application it belongs to all the same (another entry of the same program, which names the
// window's WM_CLASS by its StartupWMClass, id or name).
struct AppWindow {
    ManagedWindow window;
    QString appId;
    std::optional<Rect> frame;
    Size grid;   // its size increments; 0 = none
    QStringList sameApplicationAs;
};

// An app a region lists that has no window left for it; `front` for the region's first app.
struct MissingApp {
    RegionNumber region = 0;
    QString appId;
    bool front = false;
    friend bool operator==(const MissingApp&, const MissingApp&) = default;
};

struct AppMatch {
    std::map<RegionNumber, ManagedWindow> front;                // the window in front of each region
    std::map<RegionNumber, std::vector<ManagedWindow>> behind;  // the others, in the apps' order
    std::vector<MissingApp> missing;
    friend bool operator==(const AppMatch&, const AppMatch&) = default;
};

// Region by region (ascending, only regions with a frame) and app by app, the first unused
// window of the app that already lies in the region (within 1 pixel), else the first one
// among the preferred windows (those on the target display), else the first one. The apps
// that get none of their own windows so are then given a window of the same application the
// same way; an app without either is missing. An empty app id matches no window.
AppMatch matchLayoutApps(const std::optional<SnapLayout::AppMap>& apps, const std::map<RegionNumber, Rect>& frames,
                         const std::vector<AppWindow>& windows, const std::unordered_set<ManagedWindow>& preferred);

// The missing apps whose region still has no front window, in order.
std::vector<MissingApp> missingAppsStillOpen(const std::vector<MissingApp>& missing,
                                             const std::map<RegionNumber, ManagedWindow>& front);

// {"region", "app", "requested": [x, y, w, h], "actual": [x, y, w, h] or [] when unreadable,
// "fits": actual within 1 pixel of requested}. A region without a frame is requested as [] and
// never fits.
QJsonObject compositionPlacementRecord(RegionNumber region, const QString& appId,
                                       const std::map<RegionNumber, Rect>& frames, const std::optional<Rect>& actual);

// The windows of the first list that are not in the second, in the first list's order.
std::vector<ManagedWindow> excluding(const std::vector<ManagedWindow>& windows,
                                     const std::vector<ManagedWindow>& without);

} // namespace fw
