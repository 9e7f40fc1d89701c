// A release over no drop target, read from the window's frame a moment later: span with Super, stop
// spanning, move dividers with a placed window the user resized, or forget a placed window moved
// away; nothing for a size the window manager or the application gave at a click.
#include "snap/ReleaseOutsideTargets.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/DividerEdits.h"
#include "snap/DropGeometry.h"
#include "snap/GroupPlacement.h"
#include "snap/SnapContext.h"
#include "snap/SpanPlacement.h"
#include "snap/SpanPreview.h"
#include "snap/WindowMoves.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

namespace fw {

namespace {

// The region the window sat in before the drag.
struct Origin {
    QString display;
    ScreenInfo screen;
    LayoutGroup group;
    RegionNumber region = 0;
};

class ReleaseRun {
public:
    ReleaseRun(SnapContext& ctx, ResizeState state, WindowRelease release)
        : ctx_(ctx), state_(state), release_(std::move(release))
    {
    }

    Task<void> run()
    {
        Interaction& interaction = state_.interaction;
        // A press the pointer did not move with (a click, a double click, a title-bar button)
        // made no gesture of the user's: whatever size the window manager or the application
        // gave the window then, nothing follows it.
        const auto idle = [&] { return interaction.mutating || !ctx_.stacks.monitoringEnabled() || !current(); };
        if (idle() || !release_.pointerMoved) {
            endPress();
            co_return;
        }
        // A busy window manager may still be working through the pointer's last steps: the
        // frame it ends with, not one on the way.
        const auto after = co_await settledFrame();
        if (idle() || (after && sameFrame(*after, release_.before, kPlacementTolerance))) {
            endPress();
            co_return;
        }
        auto guard = MutationGuard::take(interaction, ctx_.stacks);
        if (!after) {
            state_.layouts.pruneVanishedWindows(ctx_.access, state_.memory);
        } else if (const Gesture gesture = readGesture(); gesture != Gesture::none) {
            after_ = *after;
            // A span asked for by a press whose resize the drag never saw (a window manager
            // resizing an outline) is one only when the frame did change.
            bool spanned = false;
            if (release_.span && gesture == Gesture::resize && resized())
                spanned = co_await spanRequest();
            if (!spanned && !leaveSpan())
                co_await fromRegionOrStack(gesture);
        }
        if (guard)
            guard->release();
        endPress();
    }

private:
    // What the user did with the pointer: an edge pulled is a resize unless the window manager
    // now sizes the window by a state of its own (maximized either way by an edge pulled to the
    // screen's edge, full screen, shaded), which is none of the user's; no edge, a move.
    enum class Gesture { none, move, resize };
    Gesture readGesture() const
    {
        if (release_.grabbedEdges.empty())
            return Gesture::move;
        constexpr WindowStates kSizedByManager = kMaximized | Fullscreen | Shaded;
        const auto states = ctx_.access.windowSystem().windowStates(release_.window.element);
        return states && (*states & kSizedByManager) ? Gesture::none : Gesture::resize;
    }
    bool current() const { return release_.generation == state_.interaction.generation(); }
    // The press is over, unless a newer interaction began meanwhile.
    void endPress()
    {
        if (!current())
            return;
        state_.interaction.windowInteraction = false;
        ctx_.stacks.scheduleRefresh();
    }
    // The window's frame once it has stayed the same for a while (bounded); none when it went.
    Task<std::optional<Rect>> settledFrame()
    {
        const SettledFrame settled = co_await ctx_.access.settledFrame(release_.window.element);
        co_return settled.frame;
    }
    bool resized() const { return frameChanged(after_, release_.before); }
    bool unmoved() const { return sameFrame(after_, release_.before, kSameFrameTolerance); }
    void noteChanged() { ctx_.stacks.noteWindowChanged({{release_.window, after_}}); }

    // Super held at the release: the snapshot, then the span; false when it does not apply.
    Task<bool> spanRequest()
    {
        const Rect requested = release_.grabbedEdges.empty()
                                   ? after_
                                   : frameDraggingEdges(release_.before, release_.grabbedEdges, release_.pointer);
        const auto source = spanOrigin(ctx_, state_.layouts, release_.window, release_.before);
        writeSpanDiagnostics(ctx_, spanDiagnostics(release_.before, after_, requested,
                                                   source ? source->regions : std::set<RegionNumber>{},
                                                   release_.grabbedEdges));
        const bool placed = co_await placeSpan(ctx_, state_, release_.window, release_.before, requested);
        co_return placed;
    }

    // A spanning window that moved stops spanning; true when the window was a span.
    bool leaveSpan()
    {
        for (const auto& [display, group] : state_.layouts.groups()) {
            if (!group.spans.count(release_.window))
                continue;
            if (!unmoved()) {
                LayoutGroup left = group;
                left.spans.erase(release_.window);
                state_.layouts.setGroup(QString(display), std::move(left));
                noteChanged();
            }
            return true;
        }
        return false;
    }

    std::optional<Origin> origin() const
    {
        const std::vector<ScreenInfo> screens = ctx_.screenList();
        const Size grid = ctx_.access.grid(release_.window);
        for (const auto& [display, group] : state_.layouts.groups()) {
            const auto screen = screenWithKey(screens, display);
            if (!screen)
                continue;
            for (const auto& [region, frame] : regionFrames(group.layout, *screen)) {
                if (sitsIn(release_.before, frame, grid, kSameFrameTolerance))
                    return Origin{display, *screen, group, region};
            }
        }
        return std::nullopt;
    }

    // A placed window resized moves the dividers, moved it leaves its region; a resized window in
    // no region takes its stack along. A size the window manager gives a moved window (its size
    // from before a state, its own tile at a screen edge) is no resize of the user's.
    Task<void> fromRegionOrStack(Gesture gesture)
    {
        if (const auto from = origin()) {
            if (gesture == Gesture::resize)
                co_await resizeTogether(*from);
            else
                movedAway(*from);
        } else if (gesture == Gesture::resize && resized()) {
            co_await stackResize();
        } else {
            noteChanged();
        }
    }

    // The dividers follow the window's moved edges and every window of the layout goes along;
    // when one cannot, the group's notice stands and the window goes back.
    Task<void> resizeTogether(const Origin& from)
    {
        LayoutGroup group = from.group;
        group.windows[from.region] = release_.window;
        group.layout.tree = treeFollowingEdges(group.layout.tree, from.region, release_.before, after_,
                                               release_.grabbedEdges, topLeftVisibleFrame(from.screen));
        const bool applied = co_await applyGroup(ctx_, state_.layouts, state_.memory, group, from.screen);
        if (applied) {
            ctx_.store.save(group.layout, from.display);
        } else if (current()) {
            co_await ctx_.access.animateMove(release_.window, {}, release_.before, kSameFrameTolerance);
        }
    }

    void movedAway(const Origin& from)
    {
        if (unmoved())
            return;
        if (const LayoutGroup* group = state_.layouts.group(from.display)) {
            const auto entry = group->windows.find(from.region);
            if (entry != group->windows.end() && entry->second == release_.window) {
                LayoutGroup left = *group;
                left.windows.erase(from.region);
                state_.layouts.setGroup(from.display, std::move(left));
            }
        }
        noteChanged();
    }

    Task<void> stackResize();

    SnapContext& ctx_;
    ResizeState state_;
    WindowRelease release_;
    Rect after_;
};

// The window's stack mates take its new frame, as one transaction.
Task<void> ReleaseRun::stackResize()
{
    std::vector<ManagedWindow> mates;
    for (const ManagedWindow& mate : ctx_.stacks.stackMates(release_.window)) {
        if (!(mate == release_.window))
            mates.push_back(mate);
    }
    const InteractionStamp stamp = ctx_.stamp();
    if (mates.empty() || !stamp.host())
        co_return;
    PlacementItems targets;
    for (const ManagedWindow& mate : mates)
        targets.push_back({mate, after_});
    PlacementRequest request{.targets = targets, .kind = place::ResizeTogether{}};
    const Placed placed = co_await ctx_.placement.place(std::move(request), stamp);
    const PlacementOutcome outcome = placed.outcome;
    if (outcome == PlacementOutcome::committed) {
        WindowFramePairs changed{{release_.window, after_}};
        for (const ManagedWindow& mate : mates)
            changed.emplace_back(mate, after_);
        ctx_.stacks.noteWindowChanged(changed);
        co_return;
    }
    if (!stamp.current()) {
        if (outcome == PlacementOutcome::rollbackFailed)
            ctx_.sinks.sendReport(u"A canceled resize could not fully restore the stack."_qs);
        co_return;
    }
    const bool back = co_await ctx_.access.animateMove(release_.window, {}, release_.before, kSameFrameTolerance);
    ctx_.sinks.sendReport(outcome == PlacementOutcome::rolledBack && back
                              ? u"A window in this stack could not fit. The resize was rolled back."_qs
                              : u"A window in this stack could not fit, and a prior size could not be restored."_qs);
}

} // namespace

Task<void> releaseOutsideTargets(SnapContext& ctx, ResizeState state, WindowRelease release)
{
    ReleaseRun run(ctx, state, std::move(release));
    co_await run.run();
}

void installResizeHandOffs(SnapContext& ctx, ResizeState state)
{
    // Not once the coordinator is going: a guard released as its tasks end starts nothing.
    state.interaction.drainPendingEdit = [&ctx, state] {
        if (!ctx.host.expired())
            ctx.tasks.spawn(drainDividerEdits(ctx, state));
    };
}

} // namespace fw
