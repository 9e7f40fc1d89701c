// The coordinator's memories of the windows it placed, and the sweep that forgets the gone.
#include "snap/WindowMemory.h"

#include "layout/ScreenGeometry.h"
#include "platform/Processes.h"
#include "snap/WindowSets.h"

#include <algorithm>

namespace fw {

namespace {

// What a window without a learnt minimum is taken to need.
constexpr Size kUnknownMinimum{180, 140};

} // namespace

std::unordered_set<ManagedWindow> WindowMemory::holders() const
{
    std::unordered_set<ManagedWindow> out;
    for (const auto& [w, frame] : originals)
        out.insert(w);
    for (const auto& [w, target] : returnHomes)
        out.insert(w);
    for (const auto& [w, size] : minimumSizes)
        out.insert(w);
    return out;
}

Size WindowMemory::minimumSize(const std::vector<ManagedWindow>& windows) const
{
    Size largest{0, 0};
    for (const ManagedWindow& w : windows) {
        const auto it = minimumSizes.find(w);
        const Size m = it == minimumSizes.end() ? kUnknownMinimum : it->second;
        largest = Size{std::max(largest.width, m.width), std::max(largest.height, m.height)};
    }
    return largest;
}

void WindowMemory::learnMinimum(const ManagedWindow& window, const Size& kept, bool width)
{
    Size& learnt = minimumSizes[window];
    if (width)
        learnt.width = std::max(learnt.width, kept.width);
    else
        learnt.height = std::max(learnt.height, kept.height);
}

void WindowMemory::forget(const ManagedWindow& window)
{
    originals.erase(window);
    returnHomes.erase(window);
    minimumSizes.erase(window);
}

void WindowMemory::recordReturnHomes(const WindowFramePairs& placed, const SnapLayout& layout,
                                     const ScreenInfo& screen)
{
    if (placed.empty())
        return;
    const QString key = displayKey(screen);
    const Rect visible = topLeftVisibleFrame(screen);
    const auto frames = layout.tree.frames(visible, 8);
    for (const auto& [window, frame] : placed) {
        for (const auto& [region, regionFrame] : frames) {
            if (regionFrame == frame) {
                returnHomes[window] = ReturnSnapTarget{key, visible, layout, region, regionFrame};
                break;
            }
        }
    }
}

int WindowMemory::sweep(const WindowSnapshot& snapshot, const Processes& processes, const WindowAccess& access)
{
    WindowSet live = holders();
    std::unordered_set<Pid> running;
    for (const ManagedWindow& w : live) {
        if (processes.isRunning(w.pid))
            running.insert(w.pid);
    }
    const WindowSet ended = windowsOutside(running, live);
    for (const ManagedWindow& w : ended)
        live.erase(w);

    WindowSet shown;
    for (const auto& entry : snapshot)
        shown.insert(entry.window);
    auto& pending = historySweep.pending;
    if (pending.empty()) {
        for (const ManagedWindow& w : live) {
            if (!shown.count(w))
                pending.push_back(w);
        }
    }
    std::vector<ManagedWindow> gone(ended.begin(), ended.end());
    for (int i = 0; i < kReadsPerSweep && !pending.empty(); ++i) {
        const ManagedWindow w = pending.back();
        pending.pop_back();
        if (live.count(w) && !shown.count(w) && !access.frame(w))
            gone.push_back(w);
    }
    for (const ManagedWindow& w : gone)
        forget(w);
    return int(gone.size());
}

} // namespace fw
