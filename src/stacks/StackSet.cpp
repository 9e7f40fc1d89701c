// The stacks' membership: grouping the known windows once a pass, and the questions the
// coordinator asks while it moves windows (which windows still share a window's slot, which one
// stands in front, which must move with a placement) with the slot lookups the views use.
#include "stacks/StackSet.h"

#include <algorithm>

namespace fw::stacks {

Size StackSet::gridOf(const ManagedWindow& window) const
{
    for (const DiscoveredWindow& d : knownFrames_) {
        if (d.window == window)
            return d.grid;
    }
    return {};
}

bool StackSet::sitsIn(const ManagedWindow& window, const Rect& frame, const Rect& slot) const
{
    // The slot is some window's frame: that window's cells count too.
    Size slotGrid;
    for (const DiscoveredWindow& d : knownFrames_) {
        if (d.frame == slot) {
            slotGrid = d.grid;
            break;
        }
    }
    return sameSlot(frame, gridOf(window), slot, slotGrid);
}

const WindowStack* StackSet::presentedStackOf(const ManagedWindow& window) const
{
    for (const WindowStack& s : presented_) {
        if (s.contains(window))
            return &s;
    }
    return nullptr;
}

std::vector<ManagedWindow> StackSet::stackMates(const ManagedWindow& window) const
{
    if (!enabled_)
        return {window};
    const auto stack = std::find_if(stacks_.begin(), stacks_.end(), [&](const WindowStack& s) { return s.contains(window); });
    if (stack == stacks_.end())
        return {window};
    const BoundsMap bounds = access_.onScreenBoundsByPid();
    std::vector<ManagedWindow> mates;
    for (const ManagedWindow& m : stack->members) {
        if (m == window) {
            mates.push_back(m);
            continue;
        }
        const auto frame = access_.frame(m);
        if (frame && access_.isUsable(m, bounds) && stack->sitsInSlot(m, *frame))
            mates.push_back(m);
    }
    return mates;
}

ManagedWindow StackSet::stackFront(const ManagedWindow& window) const
{
    if (!enabled_)
        return window;
    for (const WindowStack& s : stacks_) {
        if (!s.contains(window))
            continue;
        const auto front = stackFronts_.find(s.members.front());
        return front == stackFronts_.end() ? window : front->second;
    }
    return window;
}

bool StackSet::isSameWindowOrStack(const ManagedWindow& a, const ManagedWindow& b) const
{
    if (a == b)
        return true;
    return enabled_ && std::any_of(stacks_.begin(), stacks_.end(), [&](const WindowStack& s) {
        return s.contains(a) && s.contains(b);
    });
}

void StackSet::updateKnownFrames(const WindowFramePairs& windows)
{
    if (!enabled_)
        return;
    for (const auto& [window, frame] : windows) {
        auto known = std::find_if(knownFrames_.begin(), knownFrames_.end(),
                                  [&](const DiscoveredWindow& d) { return d.window == window; });
        if (known != knownFrames_.end())
            known->frame = frame;
        else
            knownFrames_.push_back({window, frame, access_.grid(window)});
    }
    stacks_ = currentFrameStacks(knownFrames_);
}

std::vector<ManagedWindow> StackSet::slotMates(const ManagedWindow& window,
                                                            const std::vector<ManagedWindow>& members,
                                                            const WindowStack& stack) const
{
    const Rect reference = stack.slot(window);
    std::vector<ManagedWindow> mates;
    for (const ManagedWindow& m : members) {
        if (m == window)
            continue;
        const Rect s = stack.slot(m);
        if (stack.shareSlot(m, s, window, reference) || liesInside(s, reference) || liesInside(reference, s))
            mates.push_back(m);
    }
    return mates;
}

std::unordered_set<ManagedWindow> StackSet::discover(const std::optional<std::unordered_set<Pid>>& changedPids)
{
    if (!changedPids) {
        knownFrames_ = access_.managedWindows();
    } else {
        const auto& changed = *changedPids;
        std::erase_if(knownFrames_, [&](const DiscoveredWindow& d) { return changed.count(d.window.pid) > 0; });
        auto fresh = access_.managedWindows({}, std::nullopt, nullptr, &changed);
        knownFrames_.insert(knownFrames_.end(), fresh.begin(), fresh.end());
    }
    std::unordered_set<ManagedWindow> known;
    for (const DiscoveredWindow& d : knownFrames_)
        known.insert(d.window);
    cycleOrder_.keepOnly(known);
    return known;
}

std::vector<WindowStack> StackSet::currentFrameStacks(const WindowSnapshot& windows) const
{
    return frameStacks(windows, callbacks_.regionProvider ? callbacks_.regionProvider() : std::vector<Rect>{});
}

void StackSet::group()
{
    const WindowSnapshot& windows = knownFrames_;
    stacks_ = enabled_ ? currentFrameStacks(windows) : std::vector<WindowStack>{};
    std::vector<WindowStack> spans;
    if (enabled_ && callbacks_.spanProvider)
        spans = spanStacks(callbacks_.spanProvider(), windows);
    presented_ = mergeStacks(stacks_, spans);
    stackFronts_.clear();
    if (onRegrouped)
        onRegrouped();
}

void StackSet::clear()
{
    cycleOrder_.clear();
    lastCycleStep_.reset();
    stacks_.clear();
    presented_.clear();
    knownFrames_.clear();
    stackFronts_.clear();
    layers_.clear();
    if (onRegrouped)
        onRegrouped();
}

} // namespace fw::stacks
