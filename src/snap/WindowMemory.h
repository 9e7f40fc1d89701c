#pragma once
// What the coordinator remembers of each window it placed, beyond any one interaction: the
// frame from before its first placement, the region it returns to, the smallest size it was
// seen to keep, and the sweep that forgets windows that are gone a few at a time.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/WindowStackController.h"
#include "windows/ManagedWindow.h"
#include "windows/WindowAccess.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace fw {

class Processes;

// Where a placed window belongs: its display, the visible frame it was placed in, the layout
// and region, and the region's frame.
struct ReturnSnapTarget {
    QString display;
    Rect displayBounds;
    SnapLayout layout;
    RegionNumber region = 0;
    Rect frame;

    friend bool operator==(const ReturnSnapTarget&, const ReturnSnapTarget&) = default;
};
// The return position of each placed window.
using ReturnHomes = std::unordered_map<ManagedWindow, ReturnSnapTarget>;

// Windows whose memories the sweep has still to examine.
template<typename W>
struct WindowHistorySweep {
    std::vector<W> pending;
};

class WindowMemory {
public:
    // At most this many windows missing from a snapshot have their frames read per sweep.
    static constexpr int kReadsPerSweep = 2;

    std::unordered_map<ManagedWindow, Rect> originals;
    std::unordered_map<ManagedWindow, ReturnSnapTarget> returnHomes;
    WindowHistorySweep<ManagedWindow> historySweep;
    std::unordered_map<ManagedWindow, Size> minimumSizes;

    // The largest learnt minimum width and the largest learnt minimum height over the windows,
    // a window without an entry counting as 180 × 140; 0 × 0 for no windows.
    Size minimumSize(const std::vector<ManagedWindow>& windows) const;
    // The window kept a larger size than asked along one axis (its width when `width`): the
    // kept length becomes its learnt minimum on that axis unless it had a larger one; the
    // other axis keeps what it had learnt, 0 when nothing.
    void learnMinimum(const ManagedWindow& window, const Size& kept, bool width);

    // Every window with an entry in originals, returnHomes or minimumSizes.
    std::unordered_set<ManagedWindow> holders() const;
    void forget(const ManagedWindow& window);

    // Records a return position for every pair whose frame is exactly one of the layout's
    // region frames on the screen (gap 8); other pairs keep what they had.
    void recordReturnHomes(const WindowFramePairs& placed, const SnapLayout& layout, const ScreenInfo& screen);

    // Forgets the windows that are gone: at once those whose process has ended; of the
    // windows the snapshot does not show, at most two per call, in a pass over them that
    // spans several calls, those whose frame can no longer be read. Returns how many.
    int sweep(const WindowSnapshot& snapshot, const Processes& processes, const WindowAccess& access);
};

} // namespace fw
