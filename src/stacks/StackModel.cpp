// The stack values and their small rules: slots, the layer list and the scan decision.
#include "stacks/StackModel.h"

#include "windows/WindowAccess.h"

#include <algorithm>
#include <cmath>

namespace fw {

bool sameSlot(const Rect& frame, const Size& grid, const Rect& slot, const Size& slotGrid)
{
    return sitsIn(frame, slot, grid, kSameFrameTolerance)
        || sitsIn(slot, frame, slotGrid, kSameFrameTolerance);
}

bool liesInside(const Rect& frame, const Rect& outer)
{
    const Rect grown = outer.insetBy(-kSameFrameTolerance, -kSameFrameTolerance);
    return !grown.isNull() && grown.contains(frame);
}

bool WindowStack::contains(const ManagedWindow& w) const
{
    return indexOfWindow(w, members).has_value();
}

Rect WindowStack::slot(const ManagedWindow& member) const
{
    const auto it = slotFrames.find(member);
    return it == slotFrames.end() ? frame : it->second;
}

Size WindowStack::gridOf(const ManagedWindow& member) const
{
    const auto it = grids.find(member);
    return it == grids.end() ? Size{} : it->second;
}

bool WindowStack::sitsInSlot(const ManagedWindow& member, const Rect& current) const
{
    return frameSitsIn(current, gridOf(member), slot(member));
}

bool WindowStack::frameSitsIn(const Rect& current, const Size& grid, const Rect& s) const
{
    Size slotGrid;
    if (s == frame) {
        slotGrid = frameGrid;
    } else {
        // A slot of a member's own (a window under a span) has that member's cells.
        for (const auto& [member, own] : slotFrames) {
            if (own == s) {
                slotGrid = gridOf(member);
                break;
            }
        }
    }
    return sameSlot(current, grid, s, slotGrid);
}

bool WindowStack::shareSlot(const ManagedWindow& a, const Rect& aFrame, const ManagedWindow& b, const Rect& bFrame) const
{
    const Size ga = gridOf(a), gb = gridOf(b);
    if (sameSlot(aFrame, ga, bFrame, gb))
        return true;
    auto bothIn = [&](const Rect& s) { return frameSitsIn(aFrame, ga, s) && frameSitsIn(bFrame, gb, s); };
    return bothIn(frame) || std::any_of(regionFrames.begin(), regionFrames.end(), bothIn);
}

std::optional<std::size_t> indexOfWindow(const ManagedWindow& window, const std::vector<ManagedWindow>& list)
{
    const auto it = std::find(list.begin(), list.end(), window);
    if (it == list.end())
        return std::nullopt;
    return std::size_t(it - list.begin());
}

std::optional<ManagedWindow> nextMember(const ManagedWindow& after, const std::vector<ManagedWindow>& list, int step)
{
    const auto i = indexOfWindow(after, list);
    if (list.size() < 2 || !i)
        return std::nullopt;
    const long n = long(list.size());
    return list[std::size_t(((long(*i) + step) % n + n) % n)];
}

std::vector<WindowLayerSnapshot> captureLayers(WindowSystem& windows, Pid excludingPid)
{
    std::vector<WindowLayerSnapshot> out = windows.layers();
    std::erase_if(out, [&](const WindowLayerSnapshot& l) { return l.pid == excludingPid && l.level >= kUnmanagedLevel; });
    return out;
}

std::vector<Rect> framesAbove(const WindowStack& stack, const std::vector<WindowLayerSnapshot>& layers)
{
    std::vector<Rect> above;
    for (const WindowLayerSnapshot& l : layers) {
        if (std::any_of(stack.members.begin(), stack.members.end(), [&](const ManagedWindow& m) { return m.element == l.id; }))
            return above;
        above.push_back(l.frame);
    }
    return {};
}

ScanDecision WindowScanState::decide(const std::vector<WindowLayerSnapshot>& current, Pid ownPid, bool forceFull,
                                     bool presentationPending, double now)
{
    std::vector<WindowLayerSnapshot> fresh;
    for (const auto& l : current) {
        if (isWorkWindowLevel(l.level) && l.pid != ownPid)
            fresh.push_back(l);
    }
    std::sort(fresh.begin(), fresh.end(), [](const auto& a, const auto& b) { return a.id < b.id; });

    const bool dueFull = now - lastDiscovery >= fullDiscoveryInterval;
    if (!forceFull && documents && *documents == fresh) {
        const bool restacked = layers != current;
        layers = current;
        if (!dueFull)
            return presentationPending || restacked ? ScanDecision::present : ScanDecision::unchanged;
    } else {
        layers = current;
    }

    if (forceFull || !documents || dueFull) {
        changedPIDs.reset();
        lastDiscovery = now;
        documents = std::move(fresh);
        return ScanDecision::discover;
    }
    // Windows that appeared, disappeared or moved: both sides of the difference.
    std::unordered_set<Pid> changed;
    auto collect = [&changed](const std::vector<WindowLayerSnapshot>& from, const std::vector<WindowLayerSnapshot>& in) {
        for (const auto& l : from) {
            if (std::find(in.begin(), in.end(), l) == in.end())
                changed.insert(l.pid);
        }
    };
    collect(*documents, fresh);
    collect(fresh, *documents);
    changedPIDs = std::move(changed);
    documents = std::move(fresh);
    return ScanDecision::discover;
}

void WindowScanState::forceFullDiscovery()
{
    documents.reset();
    changedPIDs.reset();
}

} // namespace fw
