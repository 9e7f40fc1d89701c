// Stretches a window over the regions a rectangle overlaps, records the span in its display's group
// (rolled back when it does not settle) and writes span diagnostics.
#include "snap/SpanPlacement.h"

#include "base/DiagnosticsWriter.h"
#include "layout/ScreenGeometry.h"
#include "snap/SnapContext.h"
#include "snap/WindowMoves.h"
#include "windows/WindowAccess.h"

#include <QJsonArray>

namespace fw {

namespace {

std::optional<std::set<RegionNumber>> regionsOf(const SnapContext& ctx, const LayoutGroup& group,
                                                const ScreenInfo& screen, const ManagedWindow& window,
                                                const Rect& frame)
{
    if (const auto span = group.spans.find(window); span != group.spans.end())
        return span->second;
    for (const auto& [region, occupant] : group.windows) {
        if (occupant == window || ctx.stacks.isSameWindowOrStack(window, occupant))
            return std::set<RegionNumber>{region};
    }
    const Size grid = ctx.access.grid(window);
    for (const auto& [region, regionFrame] : regionFrames(group.layout, screen)) {
        if (sitsIn(frame, regionFrame, grid, kSameFrameTolerance))
            return std::set<RegionNumber>{region};
    }
    return std::nullopt;
}

// The regions the rectangle overlaps with some area, and their union.
struct SpanTarget {
    std::set<RegionNumber> regions;
    Rect frame;
};

std::optional<SpanTarget> spanTarget(const std::map<RegionNumber, Rect>& frames, const Rect& requested)
{
    SpanTarget target;
    for (const auto& [region, frame] : frames) {
        if (frame.intersects(requested))
            target.regions.insert(region);
    }
    const auto united = unionFrame(target.regions, frames);
    if (!united)
        return std::nullopt;
    target.frame = *united;
    return target;
}

// The group after the span: the regions the window leaves go to its first stack mate (or
// stay empty), then the window occupies the one region, or spans the several.
void recordSpan(SnapContext& ctx, ResizeState state, const ManagedWindow& window, const SpanOrigin& origin,
                LayoutGroup group, const SpanTarget& target)
{
    std::vector<ManagedWindow> mates;
    for (const ManagedWindow& mate : ctx.stacks.stackMates(window)) {
        if (!(mate == window))
            mates.push_back(mate);
    }
    for (RegionNumber region : origin.regions) {
        const auto entry = group.windows.find(region);
        if (entry == group.windows.end() || !(entry->second == window))
            continue;
        if (mates.empty())
            group.windows.erase(entry);
        else
            entry->second = mates.front();
    }
    group.spans.erase(window);
    if (target.regions.size() == 1) {
        group.windows[*target.regions.begin()] = window;
        state.memory.recordReturnHomes({{window, target.frame}}, group.layout, origin.screen);
        state.layouts.setGroup(origin.display, std::move(group));
    } else {
        group.spans[window] = target.regions;
        state.layouts.setGroup(origin.display, std::move(group));
        state.memory.returnHomes.erase(window);
        ctx.sinks.sendTip(Tip::span);
    }
}

} // namespace

std::optional<SpanOrigin> spanOrigin(const SnapContext& ctx, const AppliedLayouts& layouts, const ManagedWindow& window,
                                     const Rect& frame)
{
    const std::vector<ScreenInfo> screens = ctx.screenList();
    for (const auto& [display, group] : layouts.groups()) {
        const auto screen = screenWithKey(screens, display);
        if (!screen)
            continue;
        if (auto regions = regionsOf(ctx, group, *screen, window, frame))
            return SpanOrigin{display, group, *screen, std::move(*regions)};
    }
    return std::nullopt;
}

Task<bool> placeSpan(SnapContext& ctx, ResizeState state, ManagedWindow window, Rect before, Rect requested)
{
    const auto origin = spanOrigin(ctx, state.layouts, window, before);
    const auto target = origin ? spanTarget(regionFrames(origin->group.layout, origin->screen), requested) : std::nullopt;
    if (!target)
        co_return false;
    // A window on a cell grid goes to the frame its grid allows across the regions.
    const Rect onGrid = ctx.access.gridFrame(window, target->frame);
    const bool settled = co_await ctx.access.animateMove(window, {}, onGrid, kSameFrameTolerance);
    if (!settled) {
        const bool restored = co_await ctx.access.animateMove(window, {}, before, kSameFrameTolerance);
        if (restored) {
            ctx.sinks.sendReport(window.appName + u" did not fit across those regions. Its previous size was restored."_qs);
        } else {
            ctx.access.checkDrift(window, before, ctx.access.frame(window));
            ctx.sinks.sendReport(window.appName + u" did not fit across those regions and could not be restored."_qs);
        }
        co_return true;
    }
    // Once the window arrived the span stands, even when another interaction began meanwhile (a
    // click on it): that interaction starts from the span.
    const LayoutGroup* group = state.layouts.group(origin->display);
    if (!group || !(group->layout == origin->group.layout))
        co_return true;
    state.memory.originals.try_emplace(window, before);
    recordSpan(ctx, state, window, *origin, *group, *target);
    ctx.stacks.noteWindowChanged({{window, target->frame}});
    co_return true;
}

Task<void> runSpanPlacement(SnapContext& ctx, ResizeState state, ManagedWindow window, Rect current, Rect requested)
{
    auto guard = MutationGuard::take(state.interaction, ctx.stacks);
    if (!guard)
        co_return;
    const bool applied = co_await placeSpan(ctx, state, window, current, requested);
    if (applied)
        ctx.access.raise(window);
}

bool isBeforeInReadingOrder(RegionNumber a, RegionNumber b, const std::map<RegionNumber, Rect>& frames)
{
    const auto frameOf = [&](RegionNumber r) {
        const auto it = frames.find(r);
        return it == frames.end() ? Rect(0, 0, 0, 0) : it->second;
    };
    const Rect fa = frameOf(a), fb = frameOf(b);
    return fa.minY() != fb.minY() ? fa.minY() < fb.minY() : fa.minX() < fb.minX();
}

QJsonObject spanDiagnostics(const Rect& before, const Rect& after, const Rect& requested,
                            const std::set<RegionNumber>& sourceRegions, const EdgeSet& grabbedEdges)
{
    static const QString names[] = {u"left"_qs, u"right"_qs, u"top"_qs, u"bottom"_qs};
    QJsonArray regions, edges;
    for (RegionNumber r : sourceRegions)
        regions.append(qint64(r));
    for (RegionEdge e : grabbedEdges)
        edges.append(names[int(e)]);
    return {{u"before"_qs, toString(before)},
            {u"after"_qs, toString(after)},
            {u"requested"_qs, toString(requested)},
            {u"sourceRegions"_qs, regions},
            {u"grabbedEdges"_qs, edges}};
}

void writeSpanDiagnostics(const SnapContext& ctx, const QJsonObject& record)
{
    if (ctx.diagnostics)
        writeDiagnostics(kSpanStateFile, record);
}

} // namespace fw
