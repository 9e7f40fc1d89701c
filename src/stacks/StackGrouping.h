#pragma once
// Which windows form a stack. Frame stacks: windows that stand in one slot (every member with
// every other): their frames coincide within 5 pixels, or one sits in the other, or both sit in
// one region of an applied layout where a terminal's cells count. Span stacks: a
// window spanning several layout regions with the windows lying under it, in titled sections.
// The presented list is the span stacks followed by the frame stacks outside every span.
// Pure functions over the scanned windows, plus the first-seen numbering that orders members.

#include "snap/WindowStackController.h"
#include "stacks/StackModel.h"

#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace fw {

// The first of the regions the window sits in (its increments counted), if any.
std::optional<Rect> homeRegion(const DiscoveredWindow& window, const std::vector<Rect>& regions);
// Whether two windows stand in one slot: either sits in the other (within 5 pixels, a
// terminal short by less than a cell), or both sit in the same region and a cell grid counts
// there for one of them (windows without increments keep the 5 pixels between each other).
bool shareSlot(const DiscoveredWindow& a, const DiscoveredWindow& b, const std::vector<Rect>& regions);
// Every window of the group stands in one slot with `window`.
bool framesAllMatch(const std::vector<const DiscoveredWindow*>& group, const DiscoveredWindow& window,
                    const std::vector<Rect>& regions = {});
// Groups of two or more windows in one slot, in the order the scan lists them (first
// occurrence of a window wins; windows without area never join). `regions` are the regions
// of the applied layouts: a group whose members all sit in one region where cells count has
// that region as its slot; any other group has its first member's frame.
std::vector<WindowStack> frameStacks(const WindowSnapshot& windows, const std::vector<Rect>& regions = {});

// Covers grouped by their frame (first fit), one stack per group that has windows under it
// or more than one spanning window.
std::vector<WindowStack> spanStacks(const std::vector<SpanCover>& covers, const WindowSnapshot& windows);
std::optional<WindowStack> spanStack(const std::vector<const SpanCover*>& group, const WindowSnapshot& windows);

// No span's frame (grown by 5 pixels) holds the frame.
bool isOutsideSpans(const Rect& frame, const std::vector<WindowStack>& spans);
// The span stacks, then the frame stacks outside every span, each in order.
std::vector<WindowStack> mergeStacks(const std::vector<WindowStack>& frames, const std::vector<WindowStack>& spans);

// Every input window with the carried members of its stack (the first carried group that
// holds it), all at the input window's target; a member that has a target of its own keeps
// it, and no window is listed twice.
WindowFramePairs expandWithStackMates(const WindowFramePairs& input, const std::vector<std::vector<ManagedWindow>>& carried);

// First-seen numbering: members are listed in the order the engine first saw them,
// whatever order a scan produced. Numbers are never reused.
class CycleOrder {
public:
    // Numbers the windows not seen before, in the given order; the list sorted by number.
    std::vector<ManagedWindow> assign(const std::vector<ManagedWindow>& windows);
    bool precedes(const ManagedWindow& a, const ManagedWindow& b) const;
    // Forgets the windows not in the set.
    void keepOnly(const std::unordered_set<ManagedWindow>& known);
    void clear() { order_.clear(); }
    std::size_t size() const { return order_.size(); }

private:
    std::unordered_map<ManagedWindow, int> order_;
    int next_ = 0;
};

} // namespace fw
