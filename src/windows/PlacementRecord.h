#pragma once
// Value types in which placement transactions and the coordinator describe a placement of
// several windows and report how it ended, and the filter both use to pick the windows that
// must be put back.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "windows/CompositionCandidate.h"
#include "windows/ManagedWindow.h"

#include <QString>
#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace fw {

// How a placement transaction ended.
enum class PlacementOutcome {
    committed = 0,      // every window verified at its target
    rolledBack = 1,     // not committed; every roll-back move succeeded (or none was needed)
    rollbackFailed = 2, // not committed; at least one roll-back move failed
};

inline int index(PlacementOutcome o) { return int(o); }
QString toString(PlacementOutcome o);

// One window with a frame: where it is to go (targets) or where it goes back to (restore).
struct PlacementItem {
    ManagedWindow window;
    Rect frame;
};

// The plan of inserting a window into one half of a region that a split (a drop tile or a
// seam corner) makes in an applied layout.
template<typename W>
struct CornerInsertion {
    std::map<RegionNumber, W> assignments; // region of the new layout → the window going there
    std::optional<W> displaced;            // the window that filled the split region, if any
    RegionNumber displacedRegion = 0;      // the other half, which the displaced window takes
    RegionNumber originalRegion = 0;       // the region of the old layout that was split
};

// A layout matched to the windows that now occupy its regions.
template<typename W>
struct RecoveredLayout {
    SnapLayout layout;
    std::map<RegionNumber, std::vector<W>> members; // region → windows found there, in order
};

namespace WindowRecords {

// The items of items[begin, end) whose window is a key of `present`, in slice order, each
// with the frame the slice holds. The map's values are never read.
template<typename V>
std::vector<PlacementItem> filtered(const std::vector<PlacementItem>& items, std::size_t begin, std::size_t end,
                                    const std::unordered_map<ManagedWindow, V>& present)
{
    std::vector<PlacementItem> out;
    if (present.empty())
        return out;
    end = std::min(end, items.size());
    for (std::size_t i = begin; i < end; ++i) {
        if (present.count(items[i].window))
            out.push_back(items[i]);
    }
    return out;
}

} // namespace WindowRecords

// Pause of the verification steps. A cancelled sleep simply ends early; nothing is thrown.
inline Task<void> sleepMilliseconds(Clock& clock, int ms, CancelToken token = {})
{
    co_await clock.sleep(milliseconds(ms), std::move(token));
}

// The column split's record of the first refused frame write and of the latest mismatch.
struct ColumnSplitRecord {
    struct Refusal {
        ManagedWindow window;          // element, pid, title and app name
        Rect requested;
        std::optional<Rect> actual;    // nothing when unreadable
    };
    struct Mismatch {
        ManagedWindow window;
        std::optional<Rect> actual;
        Rect expected;
    };
    std::optional<Refusal> firstRefusal;
    std::optional<Mismatch> lastMismatch;
};

// Keeps only the first refusal of an action: does nothing once the record holds one.
void recordFirstTarget(std::optional<Rect> actual, std::optional<ColumnSplitRecord::Refusal>& box,
                       const ManagedWindow& window, const Rect& requested);
inline void recordFirstTarget(std::optional<Rect> actual, ColumnSplitRecord& record, const ManagedWindow& window,
                              const Rect& requested)
{
    recordFirstTarget(actual, record.firstRefusal, window, requested);
}

} // namespace fw
