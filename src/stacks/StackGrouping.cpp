// Grouping windows into frame stacks and span stacks, and the order stacks cycle in.
#include "stacks/StackGrouping.h"

#include "windows/WindowAccess.h"

#include <algorithm>

namespace fw {

namespace {

const QString kOtherWindows = QStringLiteral("Other windows");

bool hasArea(const Rect& r) { return r.isFinite() && r.width() > 0 && r.height() > 0; }

// Puts the item into the first group it fits, or into a new group of its own.
template<typename T, typename Fits>
void addFirstFit(std::vector<std::vector<const T*>>& groups, const T& item, Fits fits)
{
    const auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) { return fits(g); });
    if (group == groups.end())
        groups.push_back({&item});
    else
        group->push_back(&item);
}

void appendSection(WindowStack& stack, WindowStackSection section)
{
    stack.members.insert(stack.members.end(), section.members.begin(), section.members.end());
    stack.sections.push_back(std::move(section));
}

} // namespace

std::optional<Rect> homeRegion(const DiscoveredWindow& window, const std::vector<Rect>& regions)
{
    const auto home = std::find_if(regions.begin(), regions.end(), [&](const Rect& r) {
        return sitsIn(window.frame, r, window.grid, kSameFrameTolerance);
    });
    return home == regions.end() ? std::nullopt : std::optional<Rect>(*home);
}

namespace {

bool cellsCount(const DiscoveredWindow& window, const Rect& region)
{
    return !(gridCells(window.grid, region) == Size{});
}

} // namespace

bool shareSlot(const DiscoveredWindow& a, const DiscoveredWindow& b, const std::vector<Rect>& regions)
{
    if (sameSlot(a.frame, a.grid, b.frame, b.grid))
        return true;
    const auto home = homeRegion(a, regions);
    return home && homeRegion(b, regions) == home && (cellsCount(a, *home) || cellsCount(b, *home));
}

bool framesAllMatch(const std::vector<const DiscoveredWindow*>& group, const DiscoveredWindow& window,
                    const std::vector<Rect>& regions)
{
    return std::all_of(group.begin(), group.end(),
                       [&](const DiscoveredWindow* member) { return shareSlot(*member, window, regions); });
}

namespace {

// The region every member sits in, when the cells of one of them count there.
std::optional<Rect> sharedRegion(const std::vector<const DiscoveredWindow*>& group, const std::vector<Rect>& regions)
{
    const auto home = homeRegion(*group.front(), regions);
    if (!home)
        return std::nullopt;
    bool cells = false;
    for (const DiscoveredWindow* d : group) {
        if (homeRegion(*d, regions) != home)
            return std::nullopt;
        cells = cells || cellsCount(*d, *home);
    }
    return cells ? home : std::nullopt;
}

} // namespace

std::vector<WindowStack> frameStacks(const WindowSnapshot& windows, const std::vector<Rect>& regions)
{
    std::vector<std::vector<const DiscoveredWindow*>> groups;
    std::unordered_set<ManagedWindow> taken;
    for (const DiscoveredWindow& d : windows) {
        if (hasArea(d.frame) && taken.insert(d.window).second)
            addFirstFit(groups, d, [&](const auto& g) { return framesAllMatch(g, d, regions); });
    }
    std::vector<WindowStack> out;
    for (const auto& g : groups) {
        if (g.size() < 2)
            continue;
        WindowStack stack;
        stack.frame = g.front()->frame;
        stack.frameGrid = g.front()->grid;
        if (const auto region = sharedRegion(g, regions)) {
            stack.frame = *region;
            stack.frameGrid = {};
        }
        for (const DiscoveredWindow* d : g) {
            stack.members.push_back(d->window);
            stack.grids[d->window] = d->grid;
        }
        out.push_back(std::move(stack));
    }
    return out;
}

std::vector<WindowStack> spanStacks(const std::vector<SpanCover>& covers, const WindowSnapshot& windows)
{
    std::vector<std::vector<const SpanCover*>> groups;
    for (const SpanCover& cover : covers)
        addFirstFit(groups, cover, [&](const auto& g) { return sameFrame(g.front()->frame, cover.frame, kSameFrameTolerance); });
    std::vector<WindowStack> out;
    for (const auto& g : groups) {
        if (auto stack = spanStack(g, windows))
            out.push_back(std::move(*stack));
    }
    return out;
}

std::optional<WindowStack> spanStack(const std::vector<const SpanCover*>& group, const WindowSnapshot& windows)
{
    if (group.empty())
        return std::nullopt;
    const SpanCover& first = *group.front();
    const Rect span = first.frame;
    std::vector<ManagedWindow> spanning;
    for (const SpanCover* c : group)
        spanning.push_back(c->window);
    std::vector<const DiscoveredWindow*> inside;
    std::unordered_set<ManagedWindow> seen(spanning.begin(), spanning.end());
    for (const DiscoveredWindow& d : windows) {
        if (liesInside(d.frame, span) && seen.insert(d.window).second)
            inside.push_back(&d);
    }
    if (inside.empty() && spanning.size() < 2)
        return std::nullopt;

    WindowStack stack;
    stack.frame = span;
    for (const ManagedWindow& w : spanning)
        stack.slotFrames.emplace(w, span);
    for (const DiscoveredWindow& d : windows) {
        if (std::find(spanning.begin(), spanning.end(), d.window) != spanning.end())
            stack.grids.emplace(d.window, d.grid);
    }
    for (const DiscoveredWindow* d : inside) {
        stack.slotFrames.emplace(d->window, d->frame);
        stack.grids.emplace(d->window, d->grid);
    }

    appendSection(stack, {first.title, spanning, span});
    std::unordered_set<ManagedWindow> claimed(spanning.begin(), spanning.end());
    for (const SpanRegion& region : first.regions) {
        std::vector<ManagedWindow> members;
        for (const DiscoveredWindow* d : inside) {
            if (!claimed.count(d->window) && sitsIn(d->frame, region.frame, d->grid, kSameFrameTolerance))
                members.push_back(d->window);
        }
        if (region.occupant) {
            if (auto at = std::find(members.begin(), members.end(), *region.occupant); at != members.end())
                std::rotate(members.begin(), at, at + 1);
        }
        if (members.empty())
            continue;
        claimed.insert(members.begin(), members.end());
        appendSection(stack, {region.title, std::move(members), region.frame});
    }
    std::vector<ManagedWindow> others;
    for (const DiscoveredWindow* d : inside) {
        if (!claimed.count(d->window))
            others.push_back(d->window);
    }
    if (!others.empty())
        appendSection(stack, {kOtherWindows, std::move(others), std::nullopt});

    for (const ManagedWindow& m : stack.members) {
        if (std::find(spanning.begin(), spanning.end(), m) == spanning.end())
            stack.underneath.push_back(m);
    }
    for (const SpanRegion& region : first.regions)
        stack.regionFrames.push_back(region.frame);
    return stack;
}

bool isOutsideSpans(const Rect& frame, const std::vector<WindowStack>& spans)
{
    return std::none_of(spans.begin(), spans.end(), [&](const WindowStack& s) { return liesInside(frame, s.frame); });
}

std::vector<WindowStack> mergeStacks(const std::vector<WindowStack>& frames, const std::vector<WindowStack>& spans)
{
    std::vector<WindowStack> out = spans;
    for (const WindowStack& s : frames) {
        if (isOutsideSpans(s.frame, spans))
            out.push_back(s);
    }
    return out;
}

WindowFramePairs expandWithStackMates(const WindowFramePairs& input, const std::vector<std::vector<ManagedWindow>>& carried)
{
    std::unordered_set<ManagedWindow> targets;
    for (const auto& [w, frame] : input)
        targets.insert(w);
    std::unordered_set<ManagedWindow> emitted;
    WindowFramePairs out;
    for (const auto& [w, frame] : input) {
        const auto group = std::find_if(carried.begin(), carried.end(), [&](const auto& members) {
            return std::find(members.begin(), members.end(), w) != members.end();
        });
        const std::vector<ManagedWindow> alone{w};
        for (const ManagedWindow& m : group == carried.end() ? alone : *group) {
            if (!(m == w) && targets.count(m))
                continue;
            if (emitted.insert(m).second)
                out.emplace_back(m, frame);
        }
    }
    return out;
}

std::vector<ManagedWindow> CycleOrder::assign(const std::vector<ManagedWindow>& windows)
{
    for (const ManagedWindow& w : windows) {
        if (order_.emplace(w, next_).second)
            ++next_;
    }
    std::vector<ManagedWindow> sorted = windows;
    std::stable_sort(sorted.begin(), sorted.end(), [this](const auto& a, const auto& b) { return precedes(a, b); });
    return sorted;
}

bool CycleOrder::precedes(const ManagedWindow& a, const ManagedWindow& b) const
{
    const auto ia = order_.find(a), ib = order_.find(b);
    const int na = ia == order_.end() ? 0 : ia->second;
    const int nb = ib == order_.end() ? 0 : ib->second;
    return na < nb;
}

void CycleOrder::keepOnly(const std::unordered_set<ManagedWindow>& known)
{
    std::erase_if(order_, [&](const auto& entry) { return !known.count(entry.first); });
}

} // namespace fw
