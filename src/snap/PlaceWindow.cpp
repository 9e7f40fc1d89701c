// Places one window into one region: move, raise, wait until it holds still, then record it as the
// region's occupant; anything else rolls it back with a notice.
#include "snap/PlaceWindow.h"

#include "layout/ScreenGeometry.h"
#include "snap/AppliedLayouts.h"
#include "snap/SnapContext.h"
#include "snap/WindowMemory.h"
#include "snap/WindowMoves.h"
#include "windows/WindowAccess.h"
#include "windows/WindowPlacement.h"

namespace fw {

namespace {

constexpr int kSettledChecks = 3;
constexpr int kChecks = 5;

class RegionPlacement {
public:
    RegionPlacement(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory, ManagedWindow window,
                    RegionNumber region, SnapLayout layout, ScreenInfo screen, std::optional<Rect> startFrame,
                    bool guarded)
        : ctx_(ctx), layouts_(layouts), memory_(memory), window_(std::move(window)), region_(region),
          layout_(std::move(layout)), screen_(std::move(screen)), startFrame_(startFrame), guarded_(guarded),
          stamp_(ctx.stamp())
    {
    }

    Task<PlacementResult> run()
    {
        const auto frames = regionFrames(layout_, screen_);
        const auto target = frames.find(region_);
        if (target == frames.end())
            co_return PlacementResult{};
        regionFrame_ = target->second;
        grid_ = ctx_.access.grid(window_);
        const auto before = ctx_.access.frame(window_);
        if (!before)
            co_return PlacementResult{};
        // A maximized or shaded window leaves that state first, and the window manager has
        // done so before the frame is written; a roll-back puts it back.
        const auto left = co_await ctx_.access.leaveHeldStates(window_);
        left_ = left.states;
        firstMove_ = true;
        const auto prior = ctx_.access.frame(window_);
        if (!prior)
            co_return closingNotice();
        prior_ = *prior;
        // Its frame from before is the one it has out of those states.
        before_ = left_ ? prior_ : *before;
        if (!left.done || !stamp_.current())
            co_return co_await rollBack();
        // A window on a cell grid is moved to the frame its grid allows in the region.
        target_ = ctx_.access.gridFrame(window_, regionFrame_);
        const bool moved = co_await moveWindow(ctx_.access, window_, target_, guarded_, firstMove_, stamp_);
        if (!moved || !stamp_.current())
            co_return co_await rollBack();
        const bool settled = co_await settle();
        if (!settled)
            co_return co_await rollBack();
        record();
        co_return PlacementResult{true, std::nullopt};
    }

private:
    // Brings the window forward, then checks it until it has held still three checks in a
    // row; one drift is corrected. False: five checks did not do it, a second drift, a failed
    // correction or the interaction ended.
    Task<bool> settle()
    {
        ctx_.access.raise(window_);
        bool corrected = false;
        int stable = 0;
        co_await ctx_.clock.sleep(milliseconds(WindowPlacement::kCheckPauses[0]));
        for (int pass = 1;; ++pass) {
            if (!stamp_.current())
                co_return false;
            const auto frame = ctx_.access.frame(window_);
            if (frame && settledAt(*frame)) {
                if (++stable == kSettledChecks)
                    co_return true;
            } else {
                ctx_.access.checkDrift(window_, target_, frame);
                if (corrected)
                    co_return false;
                corrected = true;
                const bool moved = co_await ctx_.access.animateMove(window_, {}, target_, kSameFrameTolerance);
                if (!moved || !stamp_.current())
                    co_return false;
                stable = 0;
            }
            if (pass == kChecks)
                co_return false;
            co_await ctx_.clock.sleep(milliseconds(WindowPlacement::kCheckPauses[pass]));
        }
    }

    // A window on a cell grid has settled when it sits in the region on its grid; any other
    // when each of its edges lies within the tolerance of the region's.
    bool settledAt(const Rect& frame) const
    {
        return arrivedAt(frame, regionFrame_, grid_, kSameFrameTolerance);
    }

    Task<PlacementResult> rollBack()
    {
        const bool restored = co_await moveWindow(ctx_.access, window_, prior_, guarded_, firstMove_, stamp_);
        const bool statesBack = co_await ctx_.access.restoreStates(window_, left_);
        if (!(restored || WindowAccess::statesDecideFrame(left_)) || !statesBack)
            co_return PlacementResult{false, notRestoredNotice(window_.appName)};
        co_return closingNotice();
    }

    PlacementResult closingNotice() const
    {
        if (!stamp_.current())
            return {};
        return {false, keptNoSizeNotice(window_.appName)};
    }

    void record()
    {
        // A window taken out of a state keeps the frame it has out of it, not the one it had
        // when the gesture began.
        if (!memory_.originals.count(window_))
            memory_.originals[window_] = left_ ? before_ : startFrame_.value_or(before_);
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
    const bool guarded_;
    const InteractionStamp stamp_;
    Rect regionFrame_;
    Size grid_;
    Rect target_;
    Rect before_;
    Rect prior_;
    WindowStates left_ = 0;
    bool firstMove_ = false;
};

} // namespace

Task<PlacementResult> placeInRegion(SnapContext& ctx, AppliedLayouts& layouts, WindowMemory& memory,
                                    ManagedWindow window, RegionNumber region, SnapLayout layout, ScreenInfo screen,
                                    std::optional<Rect> startFrame, bool guarded)
{
    RegionPlacement placement(ctx, layouts, memory, std::move(window), region, std::move(layout), std::move(screen),
                              startFrame, guarded);
    co_return co_await placement.run();
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

QString keptNoSizeNotice(const QString& appName)
{
    return appName + u" did not keep the region’s size. Its prior frame was restored."_qs;
}

QString notRestoredNotice(const QString& appName) { return appName + u" could not be placed or fully restored."_qs; }

} // namespace fw
