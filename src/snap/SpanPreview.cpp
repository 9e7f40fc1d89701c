// The preview during a native resize of a placed window: dividers following its moved edges, or with
// Super the regions it would span.
#include "snap/SpanPreview.h"

#include "layout/ScreenGeometry.h"
#include "snap/DividerEdits.h"
#include "snap/SnapContext.h"
#include "snap/SpanPlacement.h"

#include <cmath>

namespace fw {

namespace {

constexpr double kHalfGap = 4.0;

struct EdgeRecord {
    RegionEdge edge;
    double before;
    double after;
    double target; // fraction of the layout area
};

std::vector<EdgeRecord> edgeRecords(const Rect& before, const Rect& after, const Rect& area)
{
    const auto x = [&](double v) { return (v - area.minX()) / area.width(); };
    const auto y = [&](double v) { return (v - area.minY()) / area.height(); };
    return {{RegionEdge::left, before.minX(), after.minX(), x(after.minX() - kHalfGap)},
            {RegionEdge::right, before.maxX(), after.maxX(), x(after.maxX() + kHalfGap)},
            {RegionEdge::top, before.minY(), after.minY(), y(after.minY() - kHalfGap)},
            {RegionEdge::bottom, before.maxY(), after.maxY(), y(after.maxY() + kHalfGap)}};
}

// The group and region the window occupies, itself or through its stack, on a present display.
struct Occupied {
    const LayoutGroup* group;
    RegionNumber region;
    ScreenInfo screen;
};

std::optional<Occupied> occupiedRegion(const SnapContext& ctx, const AppliedLayouts& layouts,
                                       const ManagedWindow& window)
{
    const std::vector<ScreenInfo> screens = ctx.screenList();
    for (const auto& [display, group] : layouts.groups()) {
        for (const auto& [region, occupant] : group.windows) {
            if (!(occupant == window) && !ctx.stacks.isSameWindowOrStack(window, occupant))
                continue;
            if (const auto screen = screenWithKey(screens, display))
                return Occupied{&group, region, *screen};
            break;
        }
    }
    return std::nullopt;
}

// Super held over a window in an applied layout: the union of the regions it will cover.
bool showSpan(SnapContext& ctx, const SpanOrigin& origin, const SpanPreviewRequest& step)
{
    const auto frames = regionFrames(origin.group.layout, origin.screen);
    const Rect candidate =
        step.grabbedEdges.empty() ? step.current : frameDraggingEdges(step.before, step.grabbedEdges, step.pointer);
    const auto covered = coveredRegions(candidate, frames);
    const auto united = unionFrame(covered, frames);
    if (!united)
        return false;
    const QString heading =
        covered.size() < 2 ? u"Fit one region"_qs : u"Span %1 regions"_qs.arg(covered.size());
    ctx.feedback.showResizeOutlines({*united}, heading, u"Release to snap · let go of Super to resize together"_qs,
                                    u"rectangle.expand.diagonal"_qs, step.pointer, origin.screen);
    return true;
}

bool showResizeTogether(SnapContext& ctx, const AppliedLayouts& layouts, const SpanPreviewRequest& step)
{
    const auto occupied = occupiedRegion(ctx, layouts, step.window);
    if (!occupied)
        return false;
    const SnapLayout& layout = occupied->group->layout;
    const Rect visible = topLeftVisibleFrame(occupied->screen);
    SnapLayout moved = layout;
    moved.tree = treeFollowingEdges(layout.tree, occupied->region, step.before, step.current, step.grabbedEdges, visible);
    if (moved == layout)
        return false;
    const auto frames = moved.tree.frames(visible, kLayoutGap);
    std::vector<Rect> outlines;
    for (const auto& [region, occupant] : occupied->group->windows) {
        if (const auto frame = frames.find(region); frame != frames.end())
            outlines.push_back(frame->second);
    }
    ctx.feedback.showResizeOutlines(outlines, u"Resize together"_qs, u"Release to apply · hold Super to span regions"_qs,
                                    u"arrow.up.left.and.arrow.down.right"_qs, step.pointer, occupied->screen);
    return true;
}

} // namespace

RegionTree treeFollowingEdges(const RegionTree& tree, RegionNumber region, const Rect& before, const Rect& after,
                              const EdgeSet& grabbed, const Rect& visibleFrame)
{
    const Rect area = visibleFrame.insetBy(kHalfGap, kHalfGap);
    if (area.isEmpty())
        return tree;
    const Size minimum = minimumRegionShare(area);
    RegionTree moved = tree;
    for (const EdgeRecord& e : edgeRecords(before, after, area)) {
        if (std::abs(e.after - e.before) > kDragResizeTolerance && (grabbed.empty() || grabbed.count(e.edge)))
            moved = moved.moveDivider(region, e.edge, e.target, minimum);
    }
    return moved;
}

void updateSpanPreview(SnapContext& ctx, const ResizeState& state, const SpanPreviewRequest& step)
{
    if (state.picker.pickerScreen() || state.interaction.mutating)
        return;
    const auto origin = step.span ? spanOrigin(ctx, state.layouts, step.window, step.before) : std::nullopt;
    const bool shown = origin ? showSpan(ctx, *origin, step) : showResizeTogether(ctx, state.layouts, step);
    if (!shown)
        ctx.feedback.hideResizeFeedback();
}

} // namespace fw
