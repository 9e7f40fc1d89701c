#pragma once
// The layout applied on each display, by display key, with the window in each region and the
// windows that span several regions; and the operations that fill it: recognising a display's
// layout from its windows, adopting a recognised layout, bringing a display's group in line
// with a scan of its windows, and taking a window out of every group.

#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/LayoutRecognition.h"
#include "snap/WindowMemory.h"
#include "windows/ManagedWindow.h"
#include "windows/PlacementRecord.h"

#include <QString>
#include <map>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fw {

class LayoutStore;
class WindowAccess;

// The applied layout of one display.
struct LayoutGroup {
    SnapLayout layout;                              // as adjusted on the display
    std::map<RegionNumber, ManagedWindow> windows;  // a region without an entry is empty
    SpanMap spans;                                  // windows covering several regions

    friend bool operator==(const LayoutGroup&, const LayoutGroup&) = default;
};

class AppliedLayouts {
public:
    using Groups = std::map<QString, LayoutGroup>;

    const Groups& groups() const { return groups_; }
    const LayoutGroup* group(const QString& display) const;
    void setGroup(const QString& display, LayoutGroup group) { groups_[display] = std::move(group); }
    void clear() { groups_.clear(); }
    void forget(const QString& display) { groups_.erase(display); }

    // Brings every group and return position in line with the store's custom layouts: a
    // renamed layout takes its new name, a deleted one's group is forgotten (the windows stay
    // where they are) and its return positions too.
    void followStore(const LayoutStore& store, WindowMemory& memory);

    // Stores the recognised layout as the display's group (the first member of each region in
    // front, no spans), makes it the display's active layout and records a return position
    // for every member.
    void adopt(const RecoveredLayout<ManagedWindow>& recovered, const ScreenInfo& screen, LayoutStore& store,
               WindowMemory& memory);

    // Gives a display without a group one when its windows form a layout: the manageable
    // windows of the display (without `including`), plus `including` at `frame` when both are
    // given, recognised against the display's layout choices with its active layout preferred.
    void ensureGroup(const ScreenInfo& screen, const std::optional<ManagedWindow>& including,
                     const std::optional<Rect>& frame, const WindowAccess& access, LayoutStore& store,
                     WindowMemory& memory);

    // Brings the display's group in line with the scan: recognises one when it has none;
    // then decides each region's occupant (a recorded occupant still in the region stays,
    // else the first window in it), finds the spanning windows, makes the layout active and
    // records return positions for the windows found in regions. Nothing for a display
    // without a group afterwards.
    void reconcileDisplay(const ScreenInfo& screen, const WindowSnapshot& snapshot, LayoutStore& store,
                          WindowMemory& memory);

    // Records a window the stack switcher brought forward as the occupant of the first region,
    // on any display, that its frame (on its grid) sits in.
    void noteFrontWindow(const ManagedWindow& window, const Rect& frame, const Size& grid,
                         const std::vector<ScreenInfo>& screens);

    // Takes the window out of every group, as an occupant and as a span.
    void removeWindow(const ManagedWindow& window);

    // Forgets windows that are gone: every group keeps only its usable windows (readable,
    // neither minimized nor full screen, on screen); the memories of windows whose frame can
    // no longer be read are dropped.
    void pruneVanishedWindows(const WindowAccess& access, WindowMemory& memory);

private:
    Groups groups_;
};

// Region frames of a layout on a screen, as every placement computes them (gap 8).
std::map<RegionNumber, Rect> regionFrames(const SnapLayout& layout, const ScreenInfo& screen);

} // namespace fw
