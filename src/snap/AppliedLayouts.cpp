// The applied layout per display with its occupants and spans: recognising, adopting, reconciling
// with a scan, and removing a window from every group.
#include "snap/AppliedLayouts.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/CoordinatorFilters.h"
#include "windows/WindowAccess.h"

#include <algorithm>

namespace fw {

std::map<RegionNumber, Rect> regionFrames(const SnapLayout& layout, const ScreenInfo& screen)
{
    return layout.tree.frames(topLeftVisibleFrame(screen), kLayoutGap);
}

const LayoutGroup* AppliedLayouts::group(const QString& display) const
{
    auto it = groups_.find(display);
    return it == groups_.end() ? nullptr : &it->second;
}

void AppliedLayouts::adopt(const RecoveredLayout<ManagedWindow>& recovered, const ScreenInfo& screen,
                           LayoutStore& store, WindowMemory& memory)
{
    const QString key = displayKey(screen);
    LayoutGroup group{recovered.layout, {}, {}};
    for (const auto& [region, members] : recovered.members) {
        if (!members.empty())
            group.windows.emplace(region, members.front());
    }
    groups_[key] = std::move(group);
    store.setActive(recovered.layout, key);

    const auto frames = regionFrames(recovered.layout, screen);
    WindowFramePairs placed;
    for (const auto& [region, members] : recovered.members) {
        auto frame = frames.find(region);
        if (frame == frames.end())
            continue;
        for (const ManagedWindow& w : members)
            placed.emplace_back(w, frame->second);
    }
    memory.recordReturnHomes(placed, recovered.layout, screen);
}

void AppliedLayouts::ensureGroup(const ScreenInfo& screen, const std::optional<ManagedWindow>& including,
                                 const std::optional<Rect>& frame, const WindowAccess& access, LayoutStore& store,
                                 WindowMemory& memory)
{
    const QString key = displayKey(screen);
    if (groups_.count(key))
        return;
    std::unordered_set<ManagedWindow> excluding;
    if (including)
        excluding.insert(*including);
    WindowSnapshot windows = access.managedWindows(excluding, key);
    if (including && frame)
        windows.push_back({*including, *frame, access.grid(*including)});
    const auto recovered = recognizeLayout(store.choices(key), windows, store.activeLayout(key),
                                           topLeftVisibleFrame(screen));
    if (recovered)
        adopt(*recovered, screen, store, memory);
}

void AppliedLayouts::reconcileDisplay(const ScreenInfo& screen, const WindowSnapshot& snapshot, LayoutStore& store,
                                      WindowMemory& memory)
{
    const QString key = displayKey(screen);
    if (!groups_.count(key)) {
        const auto recovered = recognizeLayout(store.choices(key), snapshot, store.activeLayout(key),
                                               topLeftVisibleFrame(screen));
        if (recovered)
            adopt(*recovered, screen, store, memory);
    }
    auto it = groups_.find(key);
    if (it == groups_.end())
        return;
    LayoutGroup group = it->second;
    const auto frames = regionFrames(group.layout, screen);
    WindowFramePairs matched;
    std::unordered_set<ManagedWindow> placed;
    for (const auto& [region, frame] : frames) {
        std::vector<ManagedWindow> inRegion;
        for (const auto& entry : snapshot) {
            if (!sitsIn(entry.frame, frame, entry.grid, kSameFrameTolerance))
                continue;
            inRegion.push_back(entry.window);
            matched.emplace_back(entry.window, frame);
            placed.insert(entry.window);
        }
        auto recorded = group.windows.find(region);
        const bool stays = recorded != group.windows.end()
            && std::find(inRegion.begin(), inRegion.end(), recorded->second) != inRegion.end();
        if (stays)
            continue;
        if (inRegion.empty())
            group.windows.erase(region);
        else
            group.windows[region] = inRegion.front();
    }
    group.spans = spanMembers(snapshot, frames, placed);
    it->second = group;
    if (!matched.empty()) {
        store.setActive(group.layout, key);
        memory.recordReturnHomes(matched, group.layout, screen);
    }
}

void AppliedLayouts::noteFrontWindow(const ManagedWindow& window, const Rect& frame, const Size& grid,
                                     const std::vector<ScreenInfo>& screens)
{
    std::vector<QString> keys;
    for (const auto& [key, group] : groups_)
        keys.push_back(key);
    for (const QString& key : keys) {
        auto it = groups_.find(key);
        if (it == groups_.end())
            continue;
        const auto screen = screenWithKey(screens, key);
        if (!screen)
            continue;
        for (const auto& [region, regionFrame] : regionFrames(it->second.layout, *screen)) {
            if (sitsIn(frame, regionFrame, grid, kSameFrameTolerance)) {
                it->second.windows[region] = window;
                break;
            }
        }
    }
}

void AppliedLayouts::followStore(const LayoutStore& store, WindowMemory& memory)
{
    for (auto g = groups_.begin(); g != groups_.end();) {
        if (auto now = store.current(g->second.layout, g->first)) {
            g->second.layout = std::move(now).value();
            ++g;
        } else {
            g = groups_.erase(g);
        }
    }
    for (auto h = memory.returnHomes.begin(); h != memory.returnHomes.end();) {
        if (auto now = store.current(h->second.layout, h->second.display)) {
            h->second.layout = std::move(now).value();
            ++h;
        } else {
            h = memory.returnHomes.erase(h);
        }
    }
}

void AppliedLayouts::removeWindow(const ManagedWindow& window)
{
    for (auto& [key, group] : groups_) {
        std::erase_if(group.windows, [&](const auto& entry) { return entry.second == window; });
        group.spans.erase(window);
    }
}

void AppliedLayouts::pruneVanishedWindows(const WindowAccess& access, WindowMemory& memory)
{
    const BoundsMap bounds = access.onScreenBoundsByPid();
    for (auto& [key, group] : groups_) {
        group.windows = usableRegionEntries(group.windows, bounds, access);
        group.spans = usableWindowEntries(group.spans, bounds, access);
    }
    for (const ManagedWindow& window : vanishedWindows(memory.holders(), access))
        memory.forget(window);
}

} // namespace fw
