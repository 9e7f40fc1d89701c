// Places one window into one region: one WindowPlacement transaction (move, raise, watch until
// still, or roll back), then the record of the region's occupant; a notice when it did not commit.
// The words of the notices about one window, placed or refused.
#include "snap/PlaceWindow.h"

#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/SnapContext.h"
#include "snap/WindowMemory.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

namespace fw {

namespace {

// A drop's placement of one window: one transaction of WindowPlacement, then, when it
// committed, the record it leaves (the region's occupant, the window's memory).
class RegionPlacement {
public:
    RegionPlacement(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, ManagedWindow window,
                    RegionNumber region, SnapLayout layout, ScreenInfo screen, std::optional<Rect> startFrame)
        : ctx_(ctx), layouts_(layouts), memory_(memory), window_(std::move(window)), region_(region),
          layout_(std::move(layout)), screen_(std::move(screen)), startFrame_(startFrame)
    {
    }

    Task<PlacementResult> run(bool guarded)
    {
        const auto frames = regionFrames(layout_, screen_);
        const auto target = frames.find(region_);
        if (target == frames.end())
            co_return PlacementResult{};
        regionFrame_ = target->second;
        // A window that cannot be read is never touched, and nothing is said.
        const auto before = ctx_.access.frame(window_);
        if (!before)
            co_return PlacementResult{};
        const InteractionStamp stamp = ctx_.stamp();
        PlacementRequest request{.targets = {PlacementItem{window_, regionFrame_}},
                                 .kind = place::Drop{.guarded = guarded}};
        const Placed placed = co_await ctx_.placement.place(std::move(request), stamp);
        // A window that could not leave the state holding its frame (a window manager's own
        // tile at a screen's edge) was never moved: it was not placed, and no frame of its own
        // came back, whatever the window manager did with it. Kept maximized one way only, it
        // is in the manager's side tile (metacity keeps those against every request).
        const bool neverMoved = !placed.start;
        const bool tiled = (placed.kept & kMaximized) != 0 && (placed.kept & kMaximized) != kMaximized;
        const QString rolledBack = !neverMoved ? keptNoSizeNotice(window_.appName)
                                   : tiled     ? keptTileNotice(window_.appName)
                                               : notRestoredNotice(window_.appName);
        if (placed.outcome != PlacementOutcome::committed)
            co_return uncommitted(placed.outcome, stamp, rolledBack, notRestoredNotice(window_.appName));
        // A window taken out of a state keeps the frame it has out of it, not the one it had
        // when the gesture began.
        record(placed.left && placed.start ? *placed.start : startFrame_.value_or(*before));
        co_return PlacementResult{true, std::nullopt};
    }

private:
    // The window becomes the region's occupant; `before` is its frame from before, kept only
    // for its first placement.
    void record(const Rect& before)
    {
        if (!memory_.originals.count(window_))
            memory_.originals[window_] = before;
        layouts_.removeWindow(window_);
        const QString key = displayKey(screen_);
        const LayoutGroup* existing = layouts_.group(key);
        LayoutGroup group;
        if (existing && existing->layout.id == layout_.id) {
            group = *existing;
        } else {
            group = LayoutGroup{layout_, {}, {}};
            if (existing)
                carryOver(*existing, group);
        }
        group.windows[region_] = window_;
        layouts_.setGroup(key, std::move(group));
        const WindowFramePairs placed{{window_, regionFrame_}};
        ctx_.stacks.noteWindowChanged(placed);
        memory_.recordReturnHomes(placed, layout_, screen_);
    }

    // The windows of the display's former group that sit in another region of the new layout
    // stay, as that region's occupants (the first one found in each).
    void carryOver(const LayoutGroup& old, LayoutGroup& group) const
    {
        const auto frames = regionFrames(layout_, screen_);
        for (const auto& [oldRegion, other] : old.windows) {
            const auto frame = ctx_.access.frame(other);
            if (!frame)
                continue;
            const Size grid = ctx_.access.grid(other);
            for (const auto& [region, regionFrame] : frames) {
                if (region != region_ && sitsIn(*frame, regionFrame, grid, kSameFrameTolerance)) {
                    group.windows.emplace(region, other);
                    break;
                }
            }
        }
    }

    SnapContext& ctx_;
    AppliedLayouts& layouts_;
    WindowMemory& memory_;
    const ManagedWindow window_;
    const RegionNumber region_;
    const SnapLayout layout_;
    const ScreenInfo screen_;
    const std::optional<Rect> startFrame_;
    Rect regionFrame_;
};

} // namespace

Task<PlacementResult> placeInRegion(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory,
                                    ManagedWindow window, RegionNumber region, SnapLayout layout, ScreenInfo screen,
                                    std::optional<Rect> startFrame, bool guarded)
{
    RegionPlacement placement(ctx, layouts, memory, std::move(window), region, std::move(layout), std::move(screen),
                              startFrame);
    co_return co_await placement.run(guarded);
}

PlacementResult uncommitted(PlacementOutcome outcome, const InteractionStamp& stamp, const QString& rolledBack,
                            const QString& notRestored)
{
    if (outcome == PlacementOutcome::rollbackFailed)
        return {false, notRestored};
    if (outcome == PlacementOutcome::rolledBack && stamp.current())
        return {false, rolledBack};
    return {};
}

QString refusalNotice(const RefusedWindow& refused)
{
    const QString& app = refused.window.appName;
    switch (refused.reason) {
    case PlacementRefusal::dialog:
        return u"This %1 window is a dialog or tool window, so it can’t be placed in a region."_qs.arg(app);
    case PlacementRefusal::fullscreen:
        return u"%1 is full screen. Leave full screen to place it in a region."_qs.arg(app);
    case PlacementRefusal::fixedPosition:
        return u"%1 can’t be moved, so it can’t be placed in a region."_qs.arg(app);
    case PlacementRefusal::fixedSize:
        return u"%1 can’t be resized, so it can’t be placed in a region."_qs.arg(app);
    }
    return {};
}

QString keptNoSizeNotice(const QString& appName)
{
    return appName + u" did not keep the region’s size. Its prior frame was restored."_qs;
}

QString notRestoredNotice(const QString& appName) { return appName + u" could not be placed or fully restored."_qs; }

QString keptTileNotice(const QString& appName)
{
    return appName + u" is kept in its tile by the window manager. Drag it out of the tile to place it in a region."_qs;
}

} // namespace fw
