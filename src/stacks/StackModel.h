#pragma once
// The values of window stacks and the small pure rules around them: a stack with its slots,
// titled sections and covered windows; the window server's layer list with the scan state that
// decides how much work a refresh pass needs; the one rule for "this window sits in this slot"
// (within 5 pixels, a terminal short of its slot by less than a cell included).

#include "base/Geometry.h"
#include "platform/WindowSystem.h"
#include "windows/ManagedWindow.h"

#include <QString>
#include <cstddef>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {

// A window at `frame` (size increments `grid`) sits in the slot `slot`, whose own window (if
// the slot is a window's frame) has the increments `slotGrid`: either sits in the other.
bool sameSlot(const Rect& frame, const Size& grid, const Rect& slot, const Size& slotGrid);
// `frame` lies inside `outer` grown by the same-frame tolerance on every side (edges may coincide).
bool liesInside(const Rect& frame, const Rect& outer);

struct WindowStackSection {
    QString title;
    std::vector<ManagedWindow> members;
    std::optional<Rect> frame;

    friend bool operator==(const WindowStackSection&, const WindowStackSection&) = default;
};

struct WindowStack {
    Rect frame;                                   // the slot: first member's frame, or the span's
    Size frameGrid;                               // size increments of the window the slot is the frame of
    std::vector<ManagedWindow> members;           // never empty; the first names the stack
    std::unordered_map<ManagedWindow, Rect> slotFrames;   // per member ("slots"); none: `frame`
    std::vector<WindowStackSection> sections;     // span stacks: the span, each region, the rest
    std::vector<ManagedWindow> underneath;        // windows under the spanning window
    std::vector<Rect> regionFrames;               // the regions the span covers
    std::unordered_map<ManagedWindow, Size> grids;   // size increments of each member, as scanned

    bool contains(const ManagedWindow& w) const;
    Rect slot(const ManagedWindow& member) const;
    Size gridOf(const ManagedWindow& member) const;
    // Whether a window now at `frame` sits in that member's slot.
    bool sitsInSlot(const ManagedWindow& member, const Rect& frame) const;
    // Whether a window at `frame` with the increments `grid` sits in `slot`, one of this
    // stack's slots (a slot that is a member's frame has that member's cells).
    bool frameSitsIn(const Rect& frame, const Size& grid, const Rect& slot) const;
    // Whether two members, now at these frames, stand in one slot: either sits in the other,
    // or both sit in the stack's frame or in one of its regions.
    bool shareSlot(const ManagedWindow& a, const Rect& aFrame, const ManagedWindow& b, const Rect& bFrame) const;

    friend bool operator==(const WindowStack&, const WindowStack&) = default;
};

// The first position of the window in the list (same process and element).
std::optional<std::size_t> indexOfWindow(const ManagedWindow& window, const std::vector<ManagedWindow>& list);
// The member `step` places after the window, wrapping both ways; none with fewer than two
// members or when the window is not one of them.
std::optional<ManagedWindow> nextMember(const ManagedWindow& after, const std::vector<ManagedWindow>& list, int step);

// One on-screen window of the window server in front-to-back order.
using WindowLayerSnapshot = WindowLayer;
// The layer list without this program's unmanaged windows: its panels (badges, switchers,
// notices) and popups are meant to stand over the windows; the windows the user works with
// (its dialogs, kept above or not) stay.
std::vector<WindowLayerSnapshot> captureLayers(WindowSystem& windows, Pid excludingPid);

// The frames of the windows above every member of the stack in the layer list (front to back):
// where they lie over the stack's slots, a click meets them, not the stack. None when no member
// is listed.
std::vector<Rect> framesAbove(const WindowStack& stack, const std::vector<WindowLayerSnapshot>& layers);

// What a refresh pass must do after comparing the layer list with the last one.
enum class ScanDecision { unchanged = 0, present = 1, discover = 2 };

// The memory of the last scans. A full discovery happens at least once a minute, on a forced
// pass and before any windows are known; between them only processes whose windows appeared,
// disappeared or moved are asked again.
struct WindowScanState {
    static constexpr double fullDiscoveryInterval = 60;   // seconds

    // The work windows (isWorkWindowLevel) of other processes at the last decision, by id.
    std::optional<std::vector<WindowLayerSnapshot>> documents;
    std::vector<WindowLayerSnapshot> layers;   // the last list decided on, front to back
    double lastDiscovery = 0;                  // uptime of the last full discovery, seconds
    std::optional<std::unordered_set<Pid>> changedPIDs;   // after a partial discovery

    ScanDecision decide(const std::vector<WindowLayerSnapshot>& layers, Pid ownPid, bool forceFull,
                        bool presentationPending, double now);
    // The next decision is a full discovery, however long ago the last one was.
    void forceFullDiscovery();

    friend bool operator==(const WindowScanState&, const WindowScanState&) = default;
};

} // namespace fw
